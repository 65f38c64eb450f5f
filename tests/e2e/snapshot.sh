#!/usr/bin/env bash
# tools/snapshot beside the exe: each of our glasses rendered on the real device gives a
# 400 x 400 picture with alpha: background 0, frame opaque, lenses in between, colours
# multiplied by their alpha. A model that cannot be loaded gives exit code 2 and no file.
source "$(dirname "$0")/lib.sh"

snapshot="$(dirname "$exe")/tools/snapshot.exe"
[ -f "$snapshot" ] || fail "no $snapshot"

# check_picture BMP: the picture's size, depth and alpha as described above.
check_picture() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
offset = struct.unpack_from('<I', data, 10)[0]
width, height, _, depth = struct.unpack_from('<iiHH', data, 18)
assert (width, height, depth) == (400, 400, 32), (width, height, depth)
pixels = data[offset:offset + 400 * 400 * 4]
alphas = pixels[3::4]
assert alphas[0] == 0 and alphas[-1] == 0, "corners not transparent"
opaque = alphas.count(255)
translucent = sum(1 for a in alphas if 0 < a < 255)
assert opaque > 2000, f"{opaque} opaque pixels"
assert translucent > 10000, f"{translucent} translucent pixels"
over = sum(1 for i in range(0, len(pixels), 4) if max(pixels[i:i + 3]) > pixels[i + 3])
assert over == 0, f"{over} pixels brighter than their alpha"
EOF
}

for model in "$scratch"/*.mqo; do
    name=$(basename "$model")
    (cd "$scratch" && "$loader" "$snapshot" "$name" "$artefacts/$name.bmp") || fail "snapshot of $name: exit $?"
    check_picture "$artefacts/$name.bmp" || fail "picture of $name"
done

printf 'not a model\n' >"$scratch/broken.mqo"
for name in broken.mqo missing.mqo; do
    status=0
    (cd "$scratch" && "$loader" "$snapshot" "$name" "$artefacts/$name.bmp") 2>/dev/null || status=$?
    [ "$status" = 2 ] || fail "snapshot of $name: exit $status, not 2"
    [ ! -e "$artefacts/$name.bmp" ] || fail "a picture was written for $name"
done
echo "snapshot: ok"

#!/usr/bin/env python3
"""Checks a Metasequoia text model the way the program will read it, and draws a preview.

    python3 tools/preview_mqo.py MODEL.mqo                       (prints the check)
    python3 tools/preview_mqo.py MODEL.mqo --png out.png [--turn-y DEG] [--turn-x DEG]
                                 [--temple VALUE] [--show-masks] [--zoom F] [--size PX]

Standard library only; independent of tools/make_glasses.py. The check parses the material
list and the objects' vertex and face chunks, and prints per object the vertex, face and
triangle counts, bounds at the program's loading scale (0.7, x mirrored), and whether each
connected piece is a closed surface whose faces the program will see from outside.

The preview follows the program's scene: camera at (0, 0, 300) looking at the origin with a
vertical half field of view of 0.359 rad, back faces culled, the default light, smooth
normals by each object's facet angle, masks ("左マスク", "右マスク") drawn first into the
depth buffer only and stretched in depth by the temple value, lenses ("レンズ") drawn last,
blended, at twice their file alpha (the lens transparency starts at the first lens's alpha).
A grey checkerboard stands for the desktop. The turn angles are only for looking; their
signs need not match the program's drag directions.
"""

import argparse
import math
import re
import struct
import sys
import zlib

SCALE = 0.7
CAMERA_Z = 300.0
HALF_FOV = 0.35903916
NEAR = 5.0
LIGHT = (-3.168, -3.168, -2.220)      # the scene's light at its initial pad position
LENS, LEFT_MASK, RIGHT_MASK = "レンズ", "左マスク", "右マスク"


# ---------------------------------------------------------------- reading

MATERIAL_RE = re.compile(r'"([^"]*)"\s+col\(([^)]*)\)\s+dif\(([^)]*)\)\s+amb\(([^)]*)\)\s+'
                         r'emi\(([^)]*)\)\s+spc\(([^)]*)\)\s+power\(([^)]*)\)')


def read_mqo(path):
    """Materials and objects: {name, facet, verts, faces: [(corners, material)]}."""
    text = open(path, "rb").read().decode("cp932")
    lines = [ln.strip() for ln in text.split("\n")]
    materials, objects, i = [], [], 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith("Material "):
            count = int(line.split()[1])
            for _ in range(count):
                m = MATERIAL_RE.match(lines[i])
                i += 1
                if not m:
                    raise ValueError("material line not understood: " + lines[i - 1])
                r, g, b, a = map(float, m.group(2).split())
                dif, amb, emi, spc, power = (float(m.group(k)) for k in range(3, 8))
                materials.append({"name": m.group(1), "power": power,
                                  "diffuse": (r * dif, g * dif, b * dif, a),
                                  "emissive": (r * emi, g * emi, b * emi),
                                  "specular": (r * spc, g * spc, b * spc)})
        elif line.startswith("Object "):
            obj = {"name": line.split('"')[1], "facet": 59.05, "verts": [], "faces": []}
            while lines[i] != "}":
                line = lines[i]
                i += 1
                if line.startswith("facet "):
                    obj["facet"] = float(line[6:])
                elif line.startswith("vertex "):
                    for _ in range(int(line.split()[1])):
                        obj["verts"].append(tuple(map(float, lines[i].split())))
                        i += 1
                    i += 1
                elif line.startswith("face "):
                    for _ in range(int(line.split()[1])):
                        f = lines[i]
                        i += 1
                        corners = tuple(map(int, re.search(r" V\(([^)]*)\)", f).group(1).split()))
                        mat = re.search(r" M\((\d+)\)", f)
                        if int(f.split()[0]) != len(corners):
                            raise ValueError("corner count differs from V(): " + f)
                        obj["faces"].append((corners, int(mat.group(1)) if mat else len(materials) - 1))
                    i += 1
            i += 1
            objects.append(obj)
    return materials, objects


def program_position(p):
    return (-SCALE * p[0], SCALE * p[1], SCALE * p[2])


# ---------------------------------------------------------------- checking

def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(a):
    n = math.sqrt(dot(a, a))
    return (a[0] / n, a[1] / n, a[2] / n) if n > 1e-12 else (0.0, 0.0, 0.0)


def pieces(obj):
    """The faces of an object grouped into pieces that share vertices."""
    parent = list(range(len(obj["verts"])))

    def root(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for corners, _ in obj["faces"]:
        for c in corners[1:]:
            parent[root(c)] = root(corners[0])
    groups = {}
    for corners, mat in obj["faces"]:
        groups.setdefault(root(corners[0]), []).append(corners)
    return list(groups.values())


def piece_problem(pts, faces):
    """None when the faces close up consistently around a volume seen from outside."""
    edges = {}
    for cs in faces:
        for k, a in enumerate(cs):
            e = (a, cs[(k + 1) % len(cs)])
            edges[e] = edges.get(e, 0) + 1
    for (a, b), n in edges.items():
        if n != 1 or edges.get((b, a)) != 1:
            return "open or inconsistent at edge %d-%d" % (a, b)
    vol = sum(dot(pts[cs[0]], cross(pts[cs[k]], pts[cs[k + 1]]))
              for cs in faces for k in range(1, len(cs) - 1))
    return None if vol > 0 else "faces point inwards in the program"


def check(materials, objects):
    ok = True
    for obj in objects:
        verts, faces = obj["verts"], obj["faces"]
        bad = [f for f in faces if not 3 <= len(f[0]) <= 4 or not 0 <= f[1] < len(materials)
               or any(not 0 <= c < len(verts) for c in f[0])]
        pts = [program_position(p) for p in verts]
        problems = [p for p in (piece_problem(pts, cs) for cs in pieces(obj)) if p]
        # The program takes a face's normal from its first three corners and normalises it
        # unguarded, so a face whose first corners are in one line would spoil the shading.
        flat = [cs for cs, _ in faces if not bad and math.sqrt(sum(
            c * c for c in cross(sub(pts[cs[1]], pts[cs[0]]), sub(pts[cs[2]], pts[cs[1]])))) < 1e-6]
        if flat:
            problems.append("%d faces without a normal from their first three corners" % len(flat))
        tris = sum(len(cs) - 2 for cs, _ in faces)
        lo = [min(p[k] for p in pts) for k in range(3)]
        hi = [max(p[k] for p in pts) for k in range(3)]
        used = sorted({materials[m]["name"] for _, m in faces if 0 <= m < len(materials)})
        print("%-8s facet %4.1f  %5d vertices %5d faces %5d triangles  %2d pieces  materials %s"
              % (obj["name"], obj["facet"], len(verts), len(faces), tris, len(pieces(obj)), ",".join(used)))
        print("         at scale 0.7: x %7.2f..%6.2f  y %7.2f..%6.2f  z %7.2f..%6.2f"
              % (lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]))
        if obj["name"] not in (LENS, LEFT_MASK, RIGHT_MASK):
            # The program blends every material whose diffuse alpha is not exactly 1.
            see_through = sorted({materials[m]["name"] for _, m in faces if 0 <= m < len(materials)
                                  and materials[m]["diffuse"][3] != 1.0})
            if see_through:
                problems.append("translucent materials outside the lenses: " + ",".join(see_through))
        if bad:
            print("         %d faces with bad corners or materials" % len(bad))
        for p in problems:
            print("         piece problem: " + p)
        ok = ok and not bad and not problems
    total_tris = sum(len(cs) - 2 for o in objects for cs, _ in o["faces"])
    print("objects=%d triangles=%d %s" % (len(objects), total_tris, "ok" if ok else "PROBLEMS"))
    return ok


# ---------------------------------------------------------------- drawing

def smooth_normals(pts, faces, facet_deg):
    """Corner normals: each face averages the faces at a vertex within the facet angle."""
    limit = math.radians(facet_deg)
    fn = [normalize(cross(sub(pts[cs[1]], pts[cs[0]]), sub(pts[cs[2]], pts[cs[1]]))) for cs, _ in faces]
    at_vertex = {}
    for fi, (cs, _) in enumerate(faces):
        for c in set(cs):
            at_vertex.setdefault(c, []).append(fi)
    corner = {}
    for v, fs in at_vertex.items():
        for f in fs:
            s = [0.0, 0.0, 0.0]
            for g in fs:
                if math.acos(max(-1.0, min(1.0, dot(fn[f], fn[g])))) <= limit:
                    s = [s[k] + fn[g][k] for k in range(3)]
            corner[(f, v)] = normalize(s)
    return corner


def rotation(turn_y, turn_x):
    cy, sy, cx, sx = math.cos(turn_y), math.sin(turn_y), math.cos(turn_x), math.sin(turn_x)

    def rot(p):
        x, y, z = p
        y, z = cx * y - sx * z, sx * y + cx * z
        return (cy * x + sy * z, y, -sy * x + cy * z)
    return rot


def shade(mat, n, p, alpha_scale):
    ld = normalize((-LIGHT[0], -LIGHT[1], -LIGHT[2]))
    diff = max(0.0, dot(n, ld))
    col = [mat["emissive"][k] + mat["diffuse"][k] * diff for k in range(3)]
    if diff > 0 and mat["power"] > 0:
        h = normalize(tuple(ld[k] + normalize(sub((0.0, 0.0, CAMERA_Z), p))[k] for k in range(3)))
        spec = max(0.0, dot(n, h)) ** mat["power"]
        col = [col[k] + mat["specular"][k] * spec for k in range(3)]
    return [min(1.0, c) for c in col] + [min(1.0, mat["diffuse"][3] * alpha_scale)]


class Canvas:
    def __init__(self, size, zoom):
        self.size, self.zoom = size, zoom
        self.cot = math.cos(HALF_FOV) / math.sin(HALF_FOV)
        self.depth = [float("inf")] * (size * size)
        self.rgb = []
        for y in range(size):
            for x in range(size):
                g = 0.62 if ((x // 20) + (y // 20)) % 2 else 0.52
                self.rgb.append([g, g, g])

    def project(self, p):
        zv = CAMERA_Z - p[2]
        f = self.cot * self.zoom / zv * self.size / 2
        return (self.size / 2 - p[0] * f, self.size / 2 - p[1] * f, zv)

    def triangle(self, ps, cols, mode):
        """mode: 'opaque', 'blend' (alpha in the colours) or 'depth' (depth only)."""
        if any(CAMERA_Z - p[2] < NEAR for p in ps):
            return
        n = cross(sub(ps[1], ps[0]), sub(ps[2], ps[1]))
        if dot(n, sub(ps[0], (0.0, 0.0, CAMERA_Z))) >= 0:
            return                                   # seen from behind: culled
        (x0, y0, z0), (x1, y1, z1), (x2, y2, z2) = (self.project(p) for p in ps)
        area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0)
        if area == 0:
            return
        size = self.size
        for py in range(max(0, int(min(y0, y1, y2))), min(size - 1, int(max(y0, y1, y2))) + 1):
            cy = py + 0.5
            for px in range(max(0, int(min(x0, x1, x2))), min(size - 1, int(max(x0, x1, x2))) + 1):
                cx = px + 0.5
                w0 = ((x1 - cx) * (y2 - cy) - (x2 - cx) * (y1 - cy)) / area
                w1 = ((x2 - cx) * (y0 - cy) - (x0 - cx) * (y2 - cy)) / area
                w2 = 1.0 - w0 - w1
                if w0 < 0 or w1 < 0 or w2 < 0:
                    continue
                z = 1.0 / (w0 / z0 + w1 / z1 + w2 / z2)
                i = py * size + px
                if z >= self.depth[i]:
                    continue
                self.depth[i] = z
                if mode == "depth":
                    continue
                c = [w0 * cols[0][k] + w1 * cols[1][k] + w2 * cols[2][k] for k in range(4)]
                if mode == "blend":
                    a = c[3]
                    self.rgb[i] = [c[k] * a + self.rgb[i][k] * (1 - a) for k in range(3)]
                else:
                    self.rgb[i] = c[:3]

    def png(self, path):
        rows = b"".join(b"\0" + bytes(int(max(0.0, min(1.0, c)) * 255 + 0.5)
                                      for px in self.rgb[y * self.size:(y + 1) * self.size] for c in px)
                        for y in range(self.size))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 2, 0, 0, 0)   # 8-bit RGB
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def mask_planes(objects):
    """Each side's mask plane: the lowest z of that side's masks, where their stretching starts."""
    planes = {}
    for side in (LEFT_MASK, RIGHT_MASK):
        zs = [SCALE * p[2] for o in objects if o["name"] == side for p in o["verts"]]
        if zs:
            planes[side] = min(zs)
    return planes


def draw(materials, objects, args):
    canvas = Canvas(args.size, args.zoom)
    rot = rotation(math.radians(args.turn_y), math.radians(args.turn_x))
    planes = mask_planes(objects)
    masks = [o for o in objects if o["name"] in planes]
    lenses = [o for o in objects if o["name"] == LENS]
    others = [o for o in objects if o not in masks and o not in lenses]
    for obj in masks + others + lenses:
        pts = [program_position(p) for p in obj["verts"]]
        if obj in masks:
            m = planes[obj["name"]]
            pts = [(x, y, m + args.temple * (z - m)) for x, y, z in pts]
        corner = smooth_normals(pts, obj["faces"], obj["facet"])
        world = [rot(p) for p in pts]
        for fi, (cs, mi) in enumerate(obj["faces"]):
            mat = materials[mi]
            if obj in masks:
                mode, cols = ("opaque", [[1, 1, 1, 1]] * 3) if args.show_masks else ("depth", [None] * 3)
            for k in range(1, len(cs) - 1):
                tri = (cs[0], cs[k], cs[k + 1])
                ps = [world[c] for c in tri]
                if obj not in masks:
                    mode = "blend" if obj in lenses or mat["diffuse"][3] != 1.0 else "opaque"
                    cols = [shade(mat, rot(corner[(fi, c)]), world[c], 2.0 if obj in lenses else 1.0)
                            for c in tri]
                canvas.triangle(ps, cols, mode)
    canvas.png(args.png)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("model")
    parser.add_argument("--png", help="write a preview picture here")
    parser.add_argument("--turn-y", type=float, default=0.0, help="degrees about the vertical axis")
    parser.add_argument("--turn-x", type=float, default=0.0, help="degrees about the horizontal axis")
    parser.add_argument("--temple", type=float, default=0.0, help="mask depth scale, 0..1")
    parser.add_argument("--show-masks", action="store_true", help="paint the masks white")
    parser.add_argument("--zoom", type=float, default=1.0, help="magnification of the camera")
    parser.add_argument("--size", type=int, default=400, help="picture size in pixels")
    args = parser.parse_args()
    materials, objects = read_mqo(args.model)
    ok = check(materials, objects)
    if args.png:
        draw(materials, objects, args)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

// load-cycle [-n ROUNDS] FILE...: loads each model file into a World the way the glasses scene
// does at every model load (resetWorld, a new model frame, loadModel at the scene's scale, the
// materials' textures through the world's texture cache, here without a device), ROUNDS times
// over (1,000 by default), and prints the heap in use once the world is cleared after the first
// round and after the last. Meant for the native-asan build: there the count is the sanitizer's
// exact one, and LeakSanitizer also reports at exit whatever was never freed. Elsewhere the C
// library's figure is printed, which also counts freed blocks it keeps cached for reuse.
//
// Exit status 0 when every file loaded and (with the exact count) the heap in use after the last
// round is not above that after the first; 1 otherwise; 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/glasses_scene.h"
#include "base/cp932.h"
#include "render/world.h"

#if defined(__SANITIZE_ADDRESS__)
// From the AddressSanitizer runtime (GCC ships no header for it): bytes allocated and not freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
constexpr bool kExactCount = true;
#else
#include <malloc.h>
constexpr bool kExactCount = false;
#endif

namespace {

size_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

long long trianglesBelow(const Frame& frame)
{
    long long n = frame.vertexCount / 3;
    for (const Frame* child = frame.firstChild; child != nullptr; child = child->next)
        n += trianglesBelow(*child);
    return n;
}

// One model load as the scene makes it; the triangles loaded, or -1 when it could not load.
long long loadOnce(World& world, const std::string& fileName)
{
    world.resetWorld();
    Frame* model = world.addChild(0.0f);
    const float s = GlassesScene::kModelScale;
    if (world.modelCache.load(*model, fileName, Vector3(s, s, s)) == nullptr)
        return -1;
    return trianglesBelow(*model);
}

}  // namespace

int main(int argc, char** argv)
{
    long rounds = 1000;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-n" && i + 1 < argc)
            rounds = std::strtol(argv[++i], nullptr, 10);
        else
            files.push_back(utf8ToCp932(arg));
    }
    if (files.empty() || rounds < 1) {
        std::fprintf(stderr, "usage: load-cycle [-n ROUNDS] FILE...\n");
        return 2;
    }
    int failures = 0;
    size_t afterFirst = 0;
    size_t afterLast = 0;
    long long triangles = 0;
    {
        World world;
        for (long round = 1; round <= rounds; ++round) {
            for (const std::string& file : files) {
                const long long loaded = loadOnce(world, file);
                if (round == 1) {
                    const std::string result =
                        loaded < 0 ? "could not load" : std::to_string(loaded) + " triangles";
                    std::printf("%s: %s\n", cp932ToUtf8(file).c_str(), result.c_str());
                    failures += loaded < 0 ? 1 : 0;
                    triangles += loaded < 0 ? 0 : loaded;
                }
            }
            world.clearWorld();
            if (round == 1)
                afterFirst = heapInUse();
            if (round == rounds)
                afterLast = heapInUse();
        }
    }
    std::printf("%ld rounds of %zu files (%lld triangles a round); heap in use after round 1: %zu bytes, "
                "after round %ld: %zu bytes%s\n",
                rounds, files.size(), triangles, afterFirst, rounds, afterLast,
                kExactCount ? "" : " (with the C library's cached blocks)");
    const bool grew = kExactCount && afterLast > afterFirst;
    return failures == 0 && !grew ? 0 : 1;
}

// Model loading: grid models of about 10 k, 100 k and 1 M triangles in each of the three
// formats, made once into a scratch directory, loaded the way the glasses scene loads a model
// (loadModel at scale 0.7 into a frame: read, build the meshes, copy the template tree). The
// same .x files are also read by assimp with no post-processing, as a reference; assimp is
// used here only, never by the program. The counter fileBytes gives the speed in bytes read.
//
// Each load runs in a child process of its own, and its time is the CPU time (the process's
// own and the system's on its behalf) the load took there: the program reads a model once,
// into memory it has not used before, and in a process that loads the same file again and
// again the allocator hands back memory already touched, which hides part of the cost.
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

#include "child_process.h"
#include "model/frame.h"
#include "model/model_cache.h"
#include "model_files.h"

namespace {

struct ModelSize {
    const char* label;
    int64_t triangles;
};

constexpr ModelSize kSizes[] = {{"10k", 10'000}, {"100k", 100'000}, {"1M", 1'000'000}};

// The generated files, made on first use and removed at exit.
class GeneratedModels {
public:
    // The path of the model; empty when it could not be written.
    std::string path(BenchFormat format, const ModelSize& size)
    {
        const std::string name = std::string("grid-") + size.label + extensionOf(format);
        auto found = paths_.find(name);
        if (found != paths_.end())
            return found->second;
        const std::filesystem::path file = dir_.path() / name;
        const bool written = writeGridModel(file, format, gridSideFor(size.triangles));
        return paths_[name] = written ? file.string() : std::string();
    }

private:
    BenchScratchDir dir_;
    std::map<std::string, std::string> paths_;
};

GeneratedModels& models()
{
    static GeneratedModels instance;
    return instance;
}

double fileBytes(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0.0 : static_cast<double>(size);
}

double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs load() in a child process and returns the CPU time it took there in seconds; negative
// when it failed.
template <typename Load>
double secondsInChild(Load load)
{
    return valueInChildProcess([&] {
        const double start = processSeconds();
        return load() ? processSeconds() - start : -1.0;
    });
}

template <typename Load>
void timeLoads(benchmark::State& state, const std::string& path, Load load)
{
    if (path.empty()) {
        state.SkipWithError("could not write the model file");
        return;
    }
    for (auto _ : state) {
        const double seconds = secondsInChild(load);
        if (seconds < 0.0) {
            state.SkipWithError("the model did not load");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["fileBytes"] = fileBytes(path);
}

// The loads run in the child, which ends without freeing what they made: only loading is
// timed, not taking the model down again.
void loadOurs(benchmark::State& state, BenchFormat format, ModelSize size)
{
    const std::string path = models().path(format, size);
    timeLoads(state, path, [&] {
        auto* cache = new ModelCache;
        auto* target = new Frame;
        return cache->load(*target, path, Vector3(0.7f, 0.7f, 0.7f)) != nullptr;
    });
}

void loadAssimp(benchmark::State& state, ModelSize size)
{
    const std::string path = models().path(BenchFormat::x, size);
    timeLoads(state, path, [&] {
        auto* importer = new Assimp::Importer;
        const aiScene* scene = importer->ReadFile(path, 0);
        return scene != nullptr && scene->mNumMeshes > 0;
    });
}

void registerAll()
{
    const std::pair<BenchFormat, const char*> formats[] = {
        {BenchFormat::mqo, "mqo"}, {BenchFormat::rok, "rok"}, {BenchFormat::x, "x"}};
    for (const ModelSize& size : kSizes) {
        for (const auto& [format, label] : formats) {
            const std::string name = std::string("load/") + label + "/" + size.label;
            benchmark::RegisterBenchmark(name.c_str(), loadOurs, format, size)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        const std::string name = std::string("load/assimp-x/") + size.label;
        benchmark::RegisterBenchmark(name.c_str(), loadAssimp, size)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

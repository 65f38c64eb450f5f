// Model files made for the benchmarks: one mesh of about the asked number of triangles, a wavy
// grid of n x n points cut into 2 (n - 1)^2 triangles, written as a Metasequoia document, a
// .rok file or a DirectX text file the way the programs that make such files write them
// (a material, positions with four decimals, faces with material numbers and texture
// coordinates; the .x mesh with its normals and texture coordinates).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

enum class BenchFormat { mqo, rok, x };

const char* extensionOf(BenchFormat format);

// Points per side of the grid whose triangle count comes closest to triangles.
int32_t gridSideFor(int64_t triangles);

// Writes the grid of side x side points to path; false when the file can't be written.
bool writeGridModel(const std::filesystem::path& path, BenchFormat format, int32_t side);

// A directory of its own under the system's temporary directory, removed with its contents
// when the object goes.
class BenchScratchDir {
public:
    BenchScratchDir();
    ~BenchScratchDir();
    BenchScratchDir(const BenchScratchDir&) = delete;
    BenchScratchDir& operator=(const BenchScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Every model file of the shared corpus of real-world files loads, and the object and triangle
// counts agree with the independent counts in its STATS.tsv. Skipped where the corpus is not
// reachable (for instance under Wine when the path does not map).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "model/model_cache.h"
#include "model/mqo_reader.h"
#include "model/x_reader.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(VELLARN_SOURCE_DIR) / ".." / "shared" / "corpus";

struct Expected {
    std::string file;    // relative to the corpus folder, '/' separated
    std::string format;  // "mqo" or "x"
    int objects = 0;     // objects (bone and anchor left out) or Mesh blocks
    long long triangles = 0;
};

std::vector<Expected> readStats()
{
    std::vector<Expected> rows;
    std::ifstream in(kCorpus / "STATS.tsv");
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Expected e;
        if (std::getline(fields, e.file, '\t') && std::getline(fields, e.format, '\t') &&
            fields >> e.objects >> e.triangles)
            rows.push_back(e);
    }
    return rows;
}

long long trianglesBelow(const Frame& frame)
{
    long long n = frame.primitiveType == Frame::kTriangleList ? frame.vertexCount / 3 : 0;
    for (const Frame* child = frame.firstChild; child != nullptr; child = child->next)
        n += trianglesBelow(*child);
    return n;
}

// The path as the program would be given it: code page 932 bytes (natively UTF-8 on disk).
std::string programName(const fs::path& path)
{
    const std::u8string utf8 = path.generic_u8string();
    return utf8ToCp932(std::string(utf8.begin(), utf8.end()));
}

TEST(Corpus, CountsAgreeWithTheIndependentOnes)
{
    if (!fs::is_directory(kCorpus))
        GTEST_SKIP() << "no corpus at " << kCorpus.string();
    const std::vector<Expected> rows = readStats();
    ASSERT_FALSE(rows.empty());
    for (const Expected& e : rows) {
        const std::string name = programName(kCorpus / e.file);
        ModelCache cache;
        Frame model;
        ASSERT_NE(cache.load(model, name, Vector3(1, 1, 1)), nullptr) << e.file;
        EXPECT_EQ(trianglesBelow(model), e.triangles) << e.file;

        ModelEntry entry;
        if (e.format == "mqo") {
            MqoReadCounts counts;
            ASSERT_TRUE(readMetasequoia(entry, name, Vector3(1, 1, 1), counts));
            EXPECT_EQ(counts.objects, e.objects) << e.file;
            EXPECT_EQ(counts.facesDropped, 0) << e.file;
        } else if (e.format == "x") {
            XReadCounts counts;
            ASSERT_TRUE(readX(entry, name, Vector3(1, 1, 1), counts));
            EXPECT_EQ(counts.meshes, e.objects) << e.file;
        }
    }
}

TEST(Corpus, EveryModelFileLoads)
{
    if (!fs::is_directory(kCorpus))
        GTEST_SKIP() << "no corpus at " << kCorpus.string();
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(kCorpus)) {
        const std::string name = programName(item.path());
        if (!item.is_regular_file() || modelFormatOf(name) == ModelFormat::unknown)
            continue;
        ++files;
        ModelCache cache;
        Frame model;
        EXPECT_NE(cache.load(model, name, Vector3(0.7f, 0.7f, 0.7f)), nullptr) << item.path();
    }
    EXPECT_GT(files, 0);
}

}  // namespace

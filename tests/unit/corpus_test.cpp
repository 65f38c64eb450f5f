// Every model file of the shared corpus of real-world files loads as its author made it: the
// triangles drawn and the size of the drawn model agree with the independent counts in its
// STATS.tsv, nearly every corner has a normal, and the objects the readers see agree as well. A
// file that holds no geometry (a palette alone) does not load. Skipped where the corpus is not
// reachable (for instance under Wine when the path does not map).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "model/model_cache.h"
#include "model/model_measure.h"
#include "model/mqo_reader.h"
#include "model/x_reader.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(VELLARN_SOURCE_DIR) / ".." / "shared" / "corpus";

// The corpus files that hold no triangle at all.
const char* const kWithoutGeometry[] = {"rok/rdb2_defpallet.rok"};

struct Expected {
    std::string file;    // relative to the corpus folder, '/' separated
    std::string format;  // "mqo" or "x"
    int objects = 0;     // objects (bone and anchor left out) or Mesh blocks
    long long triangles = 0;
    int drawnObjects = 0;
    long long drawnTriangles = 0;  // as the author shows the model
    double size[3] = {};           // extent per axis of the drawn model at scale 1
};

// One STATS.tsv row: file, format, objects, triangles, drawn_objects, drawn_triangles and a
// size written "(X Y Z)".
bool parseRow(const std::string& line, Expected& e)
{
    std::istringstream fields(line);
    char open = 0, close = 0;
    return std::getline(fields, e.file, '\t') && std::getline(fields, e.format, '\t') &&
           fields >> e.objects >> e.triangles >> e.drawnObjects >> e.drawnTriangles >> open >> e.size[0] >>
               e.size[1] >> e.size[2] >> close &&
           open == '(' && close == ')';
}

std::vector<Expected> readStats()
{
    std::vector<Expected> rows;
    std::ifstream in(kCorpus / "STATS.tsv");
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        Expected e;
        EXPECT_TRUE(parseRow(line, e)) << line;
        rows.push_back(e);
    }
    return rows;
}

// The path as the program would be given it: code page 932 bytes (natively UTF-8 on disk).
std::string programName(const fs::path& path)
{
    const std::u8string utf8 = path.generic_u8string();
    return utf8ToCp932(std::string(utf8.begin(), utf8.end()));
}

void expectSize(const ModelMeasure& measure, const Expected& e)
{
    const Vector3 size = measure.size();
    const double got[3] = {size.x, size.y, size.z};
    const double largest = std::max({e.size[0], e.size[1], e.size[2]});
    for (int axis = 0; axis < 3; ++axis) {
        // 1 % of the axis; a flat axis (0) may differ by rounding of the model's other axes.
        const double tolerance = 0.01 * e.size[axis] + 1e-6 * largest;
        EXPECT_NEAR(got[axis], e.size[axis], tolerance) << e.file << " axis "
                                                        << "xyz"[axis];
    }
}

void expectReaderCounts(const Expected& e, const std::string& name)
{
    ModelEntry entry;
    if (e.format == "mqo") {
        MqoReadCounts counts;
        ASSERT_TRUE(readMetasequoia(entry, name, Vector3(1, 1, 1), counts));
        EXPECT_EQ(counts.objects, e.drawnObjects) << e.file;
        EXPECT_EQ(counts.objects + counts.objectsHidden, e.objects) << e.file;
        EXPECT_EQ(counts.facesDropped, 0) << e.file;
    } else if (e.format == "x") {
        XReadCounts counts;
        ASSERT_TRUE(readX(entry, name, Vector3(1, 1, 1), counts));
        EXPECT_EQ(counts.meshes, e.objects) << e.file;
    }
}

}  // namespace

TEST(Corpus, DrawnTrianglesAndSizesAgreeWithTheIndependentOnes)
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
        const ModelMeasure measure = measureModel(model);
        EXPECT_EQ(measure.triangles, e.drawnTriangles) << e.file;
        expectSize(measure, e);
        EXPECT_LE(measure.zeroNormals * 100, measure.corners) << e.file << ": corners without a normal";
        expectReaderCounts(e, name);
    }
}

TEST(Corpus, EveryFileWithGeometryLoadsAndNoOtherDoes)
{
    if (!fs::is_directory(kCorpus))
        GTEST_SKIP() << "no corpus at " << kCorpus.string();
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(kCorpus)) {
        const std::string name = programName(item.path());
        if (!item.is_regular_file() || modelFormatOf(name) == ModelFormat::unknown)
            continue;
        ++files;
        const std::string relative = item.path().lexically_relative(kCorpus).generic_string();
        const bool geometry = std::find(std::begin(kWithoutGeometry), std::end(kWithoutGeometry), relative) ==
                              std::end(kWithoutGeometry);
        ModelCache cache;
        Frame model;
        EXPECT_EQ(cache.load(model, name, Vector3(0.7f, 0.7f, 0.7f)) != nullptr, geometry) << relative;
    }
    EXPECT_GT(files, 0);
}

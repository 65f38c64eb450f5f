// Writing the benchmarks' grid models (see model_files.h).
#include "model_files.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// A text file assembled in memory and written in one go.
class TextOut {
public:
    void put(const char* format, ...)
    {
        char buffer[256];
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        if (n > 0)
            text_.append(buffer,
                         static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
    }

    bool save(const std::filesystem::path& path) const
    {
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        if (!file)
            return false;
        const bool written = std::fwrite(text_.data(), 1, text_.size(), file) == text_.size();
        return std::fclose(file) == 0 && written;
    }

private:
    std::string text_;
};

struct Point {
    float x, y, z;     // position
    float nx, ny, nz;  // unit normal of the surface there
    float u, v;        // texture coordinate
};

// A wavy sheet about 300 units across, like a pair of glasses in size.
Point gridPoint(int32_t i, int32_t j, int32_t side)
{
    const float step = 300.0f / static_cast<float>(side - 1);
    const float x = static_cast<float>(j) * step - 150.0f;
    const float y = static_cast<float>(i) * step - 150.0f;
    const float z = 10.0f * std::sin(x * 0.05f) * std::cos(y * 0.04f);
    const float dzdx = 0.5f * std::cos(x * 0.05f) * std::cos(y * 0.04f);
    const float dzdy = -0.4f * std::sin(x * 0.05f) * std::sin(y * 0.04f);
    const float length = std::sqrt(dzdx * dzdx + dzdy * dzdy + 1.0f);
    const float last = static_cast<float>(side - 1);
    return Point{x,
                 y,
                 z,
                 -dzdx / length,
                 -dzdy / length,
                 1.0f / length,
                 static_cast<float>(j) / last,
                 static_cast<float>(i) / last};
}

// Triangle t of the grid as three point numbers: each square (i, j) is cut along its diagonal
// into (a, b, c) and (a, c, d), a = (i, j), b = (i, j + 1), c = (i + 1, j + 1), d = (i + 1, j).
void gridTriangle(int64_t t, int32_t side, int32_t corners[3])
{
    const int64_t square = t / 2;
    const int32_t i = static_cast<int32_t>(square / (side - 1));
    const int32_t j = static_cast<int32_t>(square % (side - 1));
    const int32_t a = i * side + j, b = a + 1, c = a + side + 1, d = a + side;
    corners[0] = a;
    corners[1] = t % 2 == 0 ? b : c;
    corners[2] = t % 2 == 0 ? c : d;
}

int64_t triangleCount(int32_t side)
{
    return 2 * static_cast<int64_t>(side - 1) * (side - 1);
}

std::vector<Point> gridPoints(int32_t side)
{
    std::vector<Point> points;
    points.reserve(static_cast<size_t>(side) * static_cast<size_t>(side));
    for (int32_t i = 0; i < side; ++i)
        for (int32_t j = 0; j < side; ++j)
            points.push_back(gridPoint(i, j, side));
    return points;
}

void writeMqo(TextOut& out, int32_t side)
{
    const std::vector<Point> points = gridPoints(side);
    out.put(
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nScene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n");
    out.put("\tlookat 0.0000 0.0000 0.0000\r\n\thead -0.5236\r\n\tpich 0.5236\r\n}\r\n");
    out.put("Material 1 {\r\n\t\"frame\" col(0.650 0.510 0.260 1.000) dif(1.000) amb(0.600) emi(0.330) "
            "spc(1.000) power(25.00)\r\n}\r\n");
    out.put("Object \"grid\" {\r\n\tdepth 0\r\n\tfolding 0\r\n\tscale 1.000000 1.000000 1.000000\r\n");
    out.put("\trotation 0.000000 0.000000 0.000000\r\n\ttranslation 0.000000 0.000000 0.000000\r\n");
    out.put("\tvisible 15\r\n\tlocking 0\r\n\tshading 1\r\n\tfacet 59.5\r\n\tcolor 0.898 0.498 0.698\r\n");
    out.put("\tcolor_type 0\r\n\tvertex %zu {\r\n", points.size());
    for (const Point& p : points)
        out.put("\t\t%.4f %.4f %.4f\r\n", p.x, p.y, p.z);
    out.put("\t}\r\n\tface %lld {\r\n", static_cast<long long>(triangleCount(side)));
    for (int64_t t = 0; t < triangleCount(side); ++t) {
        int32_t c[3];
        gridTriangle(t, side, c);
        const Point &p0 = points[c[0]], &p1 = points[c[1]], &p2 = points[c[2]];
        out.put("\t\t3 V(%d %d %d) M(0) UV(%.5f %.5f %.5f %.5f %.5f %.5f)\r\n", c[0], c[1], c[2], p0.u, p0.v,
                p1.u, p1.v, p2.u, p2.v);
    }
    out.put("\t}\r\n}\r\nEof\r\n");
}

// .rok lines end with a carriage return alone; record lines start with a space.
void writeRok(TextOut& out, int32_t side)
{
    const std::vector<Point> points = gridPoints(side);
    out.put("ROKU4\r");
    for (int k = 0; k < 14; ++k)
        out.put(" 0\r");
    out.put("POINT\r");
    for (const Point& p : points)
        out.put(" 1\r 0\r 0\r 0\r 0\r %.4f\r %.4f\r %.4f\r", p.x, p.y, p.z);
    // Edges of square (i, j), numbered from 1: 3 (i (side - 1) + j) + 1 along the row (a, b),
    // + 2 down the column (a, d), + 3 the diagonal (a, c); the last row's and column's own
    // edges follow all of them.
    out.put("LINE0\r");
    const auto edge = [&](int32_t from, int32_t to) { out.put(" %d\r %d\r 0\r 0\r", from + 1, to + 1); };
    for (int32_t i = 0; i + 1 < side; ++i)
        for (int32_t j = 0; j + 1 < side; ++j) {
            const int32_t a = i * side + j;
            edge(a, a + 1);
            edge(a, a + side);
            edge(a, a + side + 1);
        }
    const int32_t squares = (side - 1) * (side - 1);
    for (int32_t j = 0; j + 1 < side; ++j)  // top row: (side - 1, j) to (side - 1, j + 1)
        edge((side - 1) * side + j, (side - 1) * side + j + 1);
    for (int32_t i = 0; i + 1 < side; ++i)  // right column: (i, side - 1) to (i + 1, side - 1)
        edge(i * side + side - 1, (i + 1) * side + side - 1);
    const auto rowEdge = [&](int32_t i, int32_t j) {
        return i + 1 < side ? 3 * (i * (side - 1) + j) + 1 : 3 * squares + j + 1;
    };
    const auto columnEdge = [&](int32_t i, int32_t j) {
        return j + 1 < side ? 3 * (i * (side - 1) + j) + 2 : 3 * squares + (side - 1) + i + 1;
    };
    out.put("FACE0\r");
    for (int32_t i = 0; i + 1 < side; ++i)
        for (int32_t j = 0; j + 1 < side; ++j) {
            const int32_t diagonal = 3 * (i * (side - 1) + j) + 3;
            // (a, b, c): a-b, b-c, c-a; then (a, c, d): a-c, c-d, d-a.
            out.put(" 3\r 0\r 0\r %d\r %d\r %d\r", rowEdge(i, j), columnEdge(i, j + 1), diagonal);
            out.put(" 3\r 0\r 0\r %d\r %d\r %d\r", diagonal, rowEdge(i + 1, j), columnEdge(i, j));
        }
    out.put("END00\r");
}

void writeX(TextOut& out, int32_t side)
{
    const std::vector<Point> points = gridPoints(side);
    const int64_t triangles = triangleCount(side);
    out.put("xof 0303txt 0032\r\n\r\nMaterial frame {\r\n 0.650000;0.510000;0.260000;1.000000;;\r\n");
    out.put(" 25.000000;\r\n 1.000000;1.000000;1.000000;;\r\n 0.214500;0.168300;0.085800;;\r\n}\r\n\r\n");
    out.put("Frame grid {\r\n FrameTransformMatrix {\r\n  1.000000,0.000000,0.000000,0.000000,"
            "0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,"
            "0.000000,0.000000,0.000000,1.000000;;\r\n }\r\n");
    out.put(" Mesh {\r\n  %zu;\r\n", points.size());
    for (size_t k = 0; k < points.size(); ++k)
        out.put("  %.6f;%.6f;%.6f;%s\r\n", points[k].x, points[k].y, points[k].z,
                k + 1 < points.size() ? "," : ";");
    const auto faceList = [&] {
        out.put("  %lld;\r\n", static_cast<long long>(triangles));
        for (int64_t t = 0; t < triangles; ++t) {
            int32_t c[3];
            gridTriangle(t, side, c);
            out.put("  3;%d,%d,%d;%s\r\n", c[0], c[1], c[2], t + 1 < triangles ? "," : ";");
        }
    };
    faceList();
    out.put("  MeshMaterialList {\r\n   1;\r\n   %lld;\r\n", static_cast<long long>(triangles));
    for (int64_t t = 0; t < triangles; ++t)
        out.put("   0%s\r\n", t + 1 < triangles ? "," : ";");
    out.put("   {frame}\r\n  }\r\n  MeshNormals {\r\n   %zu;\r\n", points.size());
    for (size_t k = 0; k < points.size(); ++k)
        out.put("   %.6f;%.6f;%.6f;%s\r\n", points[k].nx, points[k].ny, points[k].nz,
                k + 1 < points.size() ? "," : ";");
    faceList();
    out.put("  }\r\n  MeshTextureCoords {\r\n   %zu;\r\n", points.size());
    for (size_t k = 0; k < points.size(); ++k)
        out.put("   %.6f;%.6f;%s\r\n", points[k].u, points[k].v, k + 1 < points.size() ? "," : ";");
    out.put("  }\r\n }\r\n}\r\n");
}

}  // namespace

const char* extensionOf(BenchFormat format)
{
    switch (format) {
    case BenchFormat::mqo:
        return ".mqo";
    case BenchFormat::rok:
        return ".rok";
    case BenchFormat::x:
        return ".x";
    }
    return "";
}

int32_t gridSideFor(int64_t triangles)
{
    int32_t side = 2;
    while (triangleCount(side + 1) <= triangles)
        ++side;
    // The side above may come closer.
    return triangles - triangleCount(side) > triangleCount(side + 1) - triangles ? side + 1 : side;
}

bool writeGridModel(const std::filesystem::path& path, BenchFormat format, int32_t side)
{
    TextOut out;
    switch (format) {
    case BenchFormat::mqo:
        writeMqo(out, side);
        break;
    case BenchFormat::rok:
        writeRok(out, side);
        break;
    case BenchFormat::x:
        writeX(out, side);
        break;
    }
    return out.save(path);
}

BenchScratchDir::BenchScratchDir()
{
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base / ("vellarn-bench-" + std::to_string(seed()));
        if (std::filesystem::create_directory(path_))
            return;
    }
}

BenchScratchDir::~BenchScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

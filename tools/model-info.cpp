// model-info FILE: loads a model with the program's own readers at scale 1 and prints its frame
// tree, so that a model's author sees how the program reads the file and tests can compare the
// totals with counts of their own.
//
// First one line per texture file the model asks for (pictures and alpha planes, in the order
// first asked): "texture: NAME -> PATH" with the file found where the program looks for it
// (files are only checked to exist), or "texture: NAME missing". Then one line per frame,
// indented by depth: the name (as UTF-8), sort key, group id, vertex and triangle counts,
// material (diffuse colour and alpha), blending, the texture the material named and the bounds.
// Then "total: frames=F meshes=M triangles=T size=(X Y Z) zero-normals=Z": frames below the
// root, frames with a mesh, triangles of all meshes, the extent along each axis of the box
// around every drawn corner (with each frame's scale, rotation and position applied), and the
// number of corners whose normal is zero. When the program would fit the model into its view (a
// model made at another scale, see app/view_fit.h), a last line "fit: scale=F" says so: the
// program draws it F times as large as at its usual scale, with its box centred on the origin.
// Exit status 0 when the model loaded, 1 when it could not be loaded (a model without a single
// triangle included), 2 for a wrong command line.
//
// The program's texture cache needs a device; here the texture requests are only recorded, and
// each named texture is stood in for by an empty texture without alpha, so the tree shows the
// names the materials asked for.
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/glasses_scene.h"
#include "app/view_fit.h"
#include "base/cp932.h"
#include "base/files.h"
#include "model/frame.h"
#include "model/model_cache.h"
#include "model/model_measure.h"
#include "model/texture_source.h"
#include "render/texture.h"

namespace {

// Stands in for the texture cache: one empty texture per distinct request, remembered by name.
class NamingTextureSource : public TextureSource {
public:
    Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath) override
    {
        noteFile(path);
        if (alphaPath)
            noteFile(*alphaPath);
        const std::string label = alphaPath ? path + "\" aplane \"" + *alphaPath : path;
        const auto found = byLabel_.find(label);
        if (found != byLabel_.end())
            return found->second;
        Texture& texture = textures_.emplace_back();
        byLabel_[label] = &texture;
        names_[&texture] = label;
        return &texture;
    }

    std::string nameOf(const Texture* texture) const
    {
        const auto found = names_.find(texture);
        return found == names_.end() ? std::string() : found->second;
    }

    void printFiles() const
    {
        for (const auto& [name, path] : files_) {
            if (path.empty())
                std::printf("texture: %s missing\n", cp932ToUtf8(name).c_str());
            else
                std::printf("texture: %s -> %s\n", cp932ToUtf8(name).c_str(), cp932ToUtf8(path).c_str());
        }
    }

private:
    // Notes where a texture file named by the model is found, while the model's folder is known.
    void noteFile(const std::string& name)
    {
        for (const auto& file : files_) {
            if (file.first == name)
                return;
        }
        std::string found;
        for (const std::string& candidate : textureSearchPaths(name, modelFolder())) {
            if (openFile(candidate, "rb")) {
                found = candidate;
                break;
            }
        }
        files_.emplace_back(name, found);
    }

    std::vector<std::pair<std::string, std::string>> files_;  // name, where found ("": missing)
    std::deque<Texture> textures_;
    std::map<std::string, Texture*> byLabel_;
    std::map<const Texture*, std::string> names_;
};

struct Totals {
    long long frames = 0;
    long long meshes = 0;
    long long triangles = 0;
};

void printFrame(const Frame& frame, int depth, const NamingTextureSource& textures, Totals& totals)
{
    const long long triangles =
        frame.primitiveType == Frame::kTriangleList && frame.vertices != nullptr ? frame.vertexCount / 3 : 0;
    std::printf("%*s\"%s\" key=%g group=%d vertices=%d triangles=%lld", depth * 2, "",
                cp932ToUtf8(frame.name).c_str(), static_cast<double>(frame.sortKey), frame.groupId,
                frame.vertexCount, triangles);
    if (frame.material) {
        const ColourValue& d = frame.material->diffuse;
        std::printf(" diffuse=(%.3f %.3f %.3f) alpha=%.3f", static_cast<double>(d.r),
                    static_cast<double>(d.g), static_cast<double>(d.b), static_cast<double>(d.a));
    }
    if (frame.alphaBlend != 0)
        std::printf(" blend");
    if (frame.texture != nullptr)
        std::printf(" texture=\"%s\"", cp932ToUtf8(textures.nameOf(frame.texture)).c_str());
    if (frame.vertexCount > 0) {
        std::printf(" bounds=(%g %g %g)-(%g %g %g)", static_cast<double>(frame.boundsMin.x),
                    static_cast<double>(frame.boundsMin.y), static_cast<double>(frame.boundsMin.z),
                    static_cast<double>(frame.boundsMax.x), static_cast<double>(frame.boundsMax.y),
                    static_cast<double>(frame.boundsMax.z));
    }
    std::printf("\n");
    if (depth > 0) {
        ++totals.frames;
        if (triangles > 0)
            ++totals.meshes;
    }
    totals.triangles += triangles;
    for (const Frame* child = frame.firstChild; child != nullptr; child = child->next)
        printFrame(*child, depth + 1, textures, totals);
}

void printTotals(const Totals& totals, const ModelMeasure& measure)
{
    const Vector3 size = measure.size();
    std::printf("total: frames=%lld meshes=%lld triangles=%lld size=(%g %g %g) zero-normals=%lld\n",
                totals.frames, totals.meshes, totals.triangles, static_cast<double>(size.x),
                static_cast<double>(size.y), static_cast<double>(size.z),
                static_cast<long long>(measure.zeroNormals));
    // The program loads models at its own scale; the fit is decided on the box at that scale.
    const float scale = GlassesScene::kModelScale;
    Vector3 boxMin = measure.boundsMin, boxMax = measure.boundsMax;
    const ViewFit fit = viewFitFor(boxMin.scale(scale), boxMax.scale(scale));
    if (fit.fitted)
        std::printf("fit: scale=%g\n", static_cast<double>(fit.factor));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: model-info FILE\n");
        return 2;
    }
    NamingTextureSource textures;
    setTextureSource(&textures);
    const std::string fileName = utf8ToCp932(argv[1]);
    int status = 0;
    {
        ModelCache cache;
        Frame model;
        if (cache.load(model, fileName, Vector3(1.0f, 1.0f, 1.0f)) == nullptr) {
            std::fprintf(stderr, "model-info: could not load %s\n", argv[1]);
            status = 1;
        } else {
            textures.printFiles();
            Totals totals;
            printFrame(model, 0, textures, totals);
            printTotals(totals, measureModel(model));
        }
        // The copy borrows the template's vertices: it goes before the cache is emptied.
    }
    setTextureSource(nullptr);
    return status;
}

// Frame: a node of the scene graph. This file holds its data side: the tree links and child
// order, its name, transform, switches, material copy, texture and vertex array with their
// ownership, copying one frame into another and searching a tree by name. Drawing a frame
// tree on the device is render/frame_drawing.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ptr_array.h"
#include "math/quaternion.h"
#include "math/vector3.h"
#include "model/d3d_material7_data.h"
#include "model/mesh_vertex.h"

// A texture the render layer owns; the frame only points at it.
class Texture;

class Frame {
public:
    // Device values the frame stores (the Direct3D 7 numbers).
    static constexpr int32_t kTriangleList = 4;           // D3DPT_TRIANGLELIST
    static constexpr int32_t kTriangleStrip = 5;          // D3DPT_TRIANGLESTRIP
    static constexpr int32_t kDefaultVertexFormat = 452;  // D3DFVF_TLVERTEX
    static constexpr int32_t kBlendSrcAlpha = 5;          // D3DBLEND_SRCALPHA
    static constexpr int32_t kBlendInvSrcAlpha = 6;       // D3DBLEND_INVSRCALPHA

    // flags bit 0: a pure group that draws no vertices of its own (the World is one).
    static constexpr int32_t kGroupOnly = 1;

    // vertexOwnership values.
    static constexpr int32_t kVerticesBorrowed = 0;     // never freed by this frame
    static constexpr int32_t kVerticesOwnedCopied = 1;  // owned; a copy of the frame copies them
    static constexpr int32_t kVerticesOwnedShared = 2;  // owned; a copy of the frame borrows them

    Frame* prev = nullptr;              // previous sibling; null for the first child
    Frame* next = nullptr;              // next sibling; null for the last child
    Frame* parent = nullptr;            // null for a root
    Frame* firstChild = nullptr;        // null when the frame has no children
    std::string name;                   // object name (code page 932 bytes); "" by default
    int32_t groupId = 0;                // group number of a .rok group frame; copied, read by nothing else
    int32_t flags = 0;                  // bit 0: group only, no geometry of its own is drawn
    float sortKey = 0.0f;               // drawing order among siblings, largest first
    Quaternion localRotation;           // identity by default
    Vector3 localPosition;              // (0, 0, 0) by default
    Quaternion worldRotation;           // computed while drawing
    Vector3 worldPosition;              // computed while drawing
    int32_t lighting = 0;               // 1 = lit by the device's lights
    int32_t alphaBlend = 0;             // 1 = drawn with alpha blending
    int32_t srcBlend = kBlendSrcAlpha;  // blend factors used when alphaBlend is 1
    int32_t destBlend = kBlendInvSrcAlpha;
    std::unique_ptr<D3DMaterial7Data> material;  // the frame's own material copy, or null
    Texture* texture = nullptr;                  // not owned (the texture cache owns textures); null for none
    Vector3 localScale{1.0f, 1.0f, 1.0f};        // applies to this frame only, not its children
    Vector3 boundsMin;  // bounding box of the mesh in model coordinates; zero by default
    Vector3 boundsMax;
    int32_t primitiveType = kTriangleStrip;
    int32_t vertexFormat = kDefaultVertexFormat;
    MeshVertex* vertices = nullptr;  // 32-byte vertices, new[]-allocated when owned; or null
    int32_t vertexCount = 0;
    int32_t vertexOwnership = kVerticesOwnedCopied;
    uint8_t indicesOwned = 0;     // 1 when indices is owned (new[]-allocated)
    uint16_t* indices = nullptr;  // index array; unused by the model readers
    int32_t indexCount = 0;
    const D3DMaterial7Data* currentMaterial = nullptr;  // material in force while drawing

    Frame() = default;
    // Frees the material copy, the owned arrays, unlinks the frame from its siblings and
    // destroys its children from the first.
    virtual ~Frame();

    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // localScale *= factor, here and in every descendant.
    virtual void scaleUniform(float factor);
    // localScale *= v component by component, here and in every descendant.
    virtual void scaleByVector(const Vector3& v);
    // sortChildren here, then sortTree on each child in the new order.
    virtual void sortTree();
    // Re-sorts the children by sortKey, largest first; equal keys keep their order.
    virtual void sortChildren();
    // The vertex-processing operations change the vertex layout; the layouts other than
    // MeshVertex arrive with the device layer. For now each only passes the call on to the
    // children and leaves this frame's vertices as they are.
    virtual void computeFaceNormals();
    virtual void setVertexColours(uint32_t diffuse, uint32_t specular);
    virtual void setPretransformed(uint32_t colour, uint32_t specular, float z);
    // Passes the argument on to every child; no effect of its own.
    virtual void notifyChildren(intptr_t argument);

    // A new default child with the given key, placed after every child whose key is equal or
    // larger and before the first with a smaller one.
    Frame* addChild(float key);
    // addChild, then the mesh: the array passes to the child under its vertexOwnership (1
    // unless the caller changes it), so an owned array must come from new MeshVertex[].
    Frame* addMeshChild(int32_t primitive, MeshVertex* meshVertices, int32_t meshVertexCount, float key);
    void setName(std::string_view text);
    // Copies the colour-and-power record into the frame's own copy, made on first use.
    void setMaterial(const D3DMaterial7Data& source);
    // alphaBlend on with source alpha and inverse source alpha factors.
    void enableAlphaBlend();
    // Makes this frame a copy of other, keeping its own tree links and world transform.
    void copyFrom(const Frame& other);
    // Appends every descendant (not this frame) whose name equals text byte for byte, in
    // post-order: children in child order, each child's descendants before the child.
    void findByName(std::string_view text, PtrArray<Frame*>& result);
    void findByName(std::string_view text, std::vector<Frame*>& result);

private:
    template <typename Append>
    void findByNameInto(std::string_view text, const Append& append);
    void insertChildBefore(Frame* child, Frame* before);
    void unlinkFromSiblings();
    void releaseVertices();
    void releaseIndices();
};

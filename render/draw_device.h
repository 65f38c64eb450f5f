// DrawDevice: the device operations that the World and frame drawing use, and what the texture
// cache needs to make and fill texture surfaces. On Windows it is Direct3D 7 over the render
// device (render/win32/d3d7_draw_device.h); native tests use a recording fake.
//
// Every number that crosses this seam - transform, render-state and texture-stage-state
// names, their values, primitive types, vertex formats, clear flags, result codes - is the
// Direct3D 7 number, and the records (material, light, viewport) have Direct3D 7's byte
// layout, so that the Windows side passes them on unchanged. The Windows build checks each of
// them against the SDK's definitions.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "model/d3d_material7_data.h"
#include "render/dd_pixel_format.h"
#include "render/texture_format.h"

class ImageBuffer;
class Matrix4;

// A result code of a device call: 0 for success, a negative HRESULT for failure.
using DrawResult = int32_t;
inline constexpr DrawResult kDrawOk = 0;                                     // D3D_OK
inline constexpr DrawResult kDrawFailed = static_cast<int32_t>(0x80004005);  // E_FAIL

// D3DTRANSFORMSTATETYPE values.
enum class TransformState : uint32_t {
    World = 1,       // D3DTRANSFORMSTATE_WORLD
    View = 2,        // D3DTRANSFORMSTATE_VIEW
    Projection = 3,  // D3DTRANSFORMSTATE_PROJECTION
};

// The D3DRENDERSTATETYPE values the program sets.
enum class RenderState : uint32_t {
    Antialias = 2,              // D3DRENDERSTATE_ANTIALIAS
    ZEnable = 7,                // D3DRENDERSTATE_ZENABLE
    FillMode = 8,               // D3DRENDERSTATE_FILLMODE
    ShadeMode = 9,              // D3DRENDERSTATE_SHADEMODE
    ZWriteEnable = 14,          // D3DRENDERSTATE_ZWRITEENABLE
    SrcBlend = 19,              // D3DRENDERSTATE_SRCBLEND
    DestBlend = 20,             // D3DRENDERSTATE_DESTBLEND
    AlphaBlendEnable = 27,      // D3DRENDERSTATE_ALPHABLENDENABLE
    SpecularEnable = 29,        // D3DRENDERSTATE_SPECULARENABLE
    ZVisible = 30,              // D3DRENDERSTATE_ZVISIBLE
    ColorKeyEnable = 41,        // D3DRENDERSTATE_COLORKEYENABLE
    Lighting = 137,             // D3DRENDERSTATE_LIGHTING
    ColorVertex = 141,          // D3DRENDERSTATE_COLORVERTEX
    ColorKeyBlendEnable = 144,  // D3DRENDERSTATE_COLORKEYBLENDENABLE
};

// The D3DTEXTURESTAGESTATETYPE values the program sets.
enum class TextureStageState : uint32_t {
    ColorOp = 1,    // D3DTSS_COLOROP
    ColorArg1 = 2,  // D3DTSS_COLORARG1
    ColorArg2 = 3,  // D3DTSS_COLORARG2
    AlphaOp = 4,    // D3DTSS_ALPHAOP
    AlphaArg1 = 5,  // D3DTSS_ALPHAARG1
    AlphaArg2 = 6,  // D3DTSS_ALPHAARG2
};

// State values.
inline constexpr uint32_t kShadeGouraud = 2;              // D3DSHADE_GOURAUD
inline constexpr uint32_t kFillSolid = 3;                 // D3DFILL_SOLID
inline constexpr uint32_t kAntialiasSortIndependent = 2;  // D3DANTIALIAS_SORTINDEPENDENT
inline constexpr uint32_t kBlendSrcAlpha = 5;             // D3DBLEND_SRCALPHA
inline constexpr uint32_t kBlendInvSrcAlpha = 6;          // D3DBLEND_INVSRCALPHA
inline constexpr uint32_t kTextureOpModulate = 4;         // D3DTOP_MODULATE
inline constexpr uint32_t kTextureArgDiffuse = 0;         // D3DTA_DIFFUSE
inline constexpr uint32_t kTextureArgTexture = 2;         // D3DTA_TEXTURE
inline constexpr uint32_t kClearTarget = 1;               // D3DCLEAR_TARGET
inline constexpr uint32_t kClearZBuffer = 2;              // D3DCLEAR_ZBUFFER
inline constexpr uint32_t kLightDirectional = 3;          // D3DLIGHT_DIRECTIONAL
inline constexpr uint32_t kPrimitiveTriangleList = 4;     // D3DPT_TRIANGLELIST
inline constexpr uint32_t kFvfVertex = 274;               // D3DFVF_VERTEX: position, normal, one uv

// Three floats (the layout of D3DVECTOR).
struct VectorValue {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A light in the byte layout of D3DLIGHT7 (104 bytes); all zero is "no light yet".
struct D3DLight7Data {
    uint32_t type = 0;          // dltType: kLightDirectional, ...; 0 until the light is set
    ColourValue diffuse;        // dcvDiffuse
    ColourValue specular;       // dcvSpecular
    ColourValue ambient;        // dcvAmbient
    VectorValue position;       // dvPosition (unused by directional lights)
    VectorValue direction;      // dvDirection, world space
    float range = 0.0f;         // dvRange
    float falloff = 0.0f;       // dvFalloff
    float attenuation0 = 0.0f;  // dvAttenuation0
    float attenuation1 = 0.0f;  // dvAttenuation1
    float attenuation2 = 0.0f;  // dvAttenuation2
    float theta = 0.0f;         // dvTheta, radians
    float phi = 0.0f;           // dvPhi, radians
};

// A viewport in the byte layout of D3DVIEWPORT7 (24 bytes).
struct DrawViewport {
    uint32_t x = 0;       // dwX, pixels
    uint32_t y = 0;       // dwY
    uint32_t width = 0;   // dwWidth
    uint32_t height = 0;  // dwHeight
    float minZ = 0.0f;    // dvMinZ
    float maxZ = 1.0f;    // dvMaxZ
};

static_assert(sizeof(VectorValue) == 12, "D3DVECTOR is three floats");
static_assert(sizeof(D3DLight7Data) == 104, "D3DLIGHT7 is 104 bytes");
static_assert(sizeof(DrawViewport) == 24, "D3DVIEWPORT7 is 24 bytes");
static_assert(std::is_trivially_copyable_v<D3DLight7Data>, "handed to the device byte for byte");
static_assert(std::is_trivially_copyable_v<DrawViewport>, "handed to the device byte for byte");

// A device texture surface. Destroying it releases the surface; it may outlive the DrawDevice
// that made it (it keeps what it needs), so a texture can give back a surface of a device that
// has been rebuilt since.
class TextureSurface {
public:
    virtual ~TextureSurface() = default;
};

class DrawDevice {
public:
    virtual ~DrawDevice() = default;

    // The drawing calls, with Direct3D 7's meaning. Stage, light index and flags as there.
    virtual DrawResult setTransform(TransformState state, const Matrix4& matrix) = 0;
    virtual DrawResult setRenderState(RenderState state, uint32_t value) = 0;
    virtual DrawResult setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) = 0;
    virtual DrawResult setMaterial(const D3DMaterial7Data& material) = 0;
    // A null surface unbinds the stage.
    virtual DrawResult setTexture(uint32_t stage, TextureSurface* surface) = 0;
    virtual DrawResult setLight(uint32_t index, const D3DLight7Data& light) = 0;
    virtual DrawResult lightEnable(uint32_t index, bool enable) = 0;
    virtual DrawResult setViewport(const DrawViewport& viewport) = 0;
    // Clears the whole viewport (no rectangles).
    virtual DrawResult clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) = 0;
    virtual DrawResult beginScene() = 0;
    virtual DrawResult endScene() = 0;
    // The vertex array goes to the device as it is, in the layout vertexFormat describes.
    virtual DrawResult drawPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const void* vertices,
                                     uint32_t vertexCount, uint32_t flags) = 0;
    virtual DrawResult drawIndexedPrimitive(uint32_t primitiveType, uint32_t vertexFormat,
                                            const void* vertices, uint32_t vertexCount,
                                            const uint16_t* indices, uint32_t indexCount, uint32_t flags) = 0;

    // The render target: its size in pixels and the desktop depth it was made at.
    virtual int32_t targetWidth() const = 0;
    virtual int32_t targetHeight() const = 0;
    virtual int32_t colourDepth() const = 0;
    // Bits per pixel of the screen now (a memory drawing context compatible with it).
    virtual int32_t desktopDepth() const = 0;

    // A texture surface for the request, within the device's size limits; null when no offered
    // format matches or the surface cannot be made.
    virtual std::unique_ptr<TextureSurface> createTextureSurface(const TextureSurfaceRequest& request) = 0;
    // Copies image (24 or 32 bits) into the surface, converting and scaling to its format and
    // size, then writes the alpha bits from the image (writeTextureAlpha). False when the copy
    // could not be made; the surface then has undefined contents. The picture's pixels are not
    // changed (on Windows it may be moved into a bitmap GDI can read from).
    virtual bool fillTexture(TextureSurface& surface, ImageBuffer& image) = 0;

    // A diagnostic line for the debugger output (text ends with its own newline).
    virtual void debugMessage(const char* text) = 0;
};

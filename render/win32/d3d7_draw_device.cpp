// The DrawDevice over Direct3D 7: drawing calls, texture surfaces and their filling.
#include "render/win32/d3d7_draw_device.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/win32/com_ptr.h"
#include "base/win32/gdi_handles.h"
#include "image/image_buffer.h"
#include "image/win32/image_dc.h"
#include "math/matrix4.h"
#include "render/texture_format.h"

// The portable mirrors of Direct3D 7's numbers and records must be the SDK's.
static_assert(static_cast<uint32_t>(TransformState::World) == D3DTRANSFORMSTATE_WORLD);
static_assert(static_cast<uint32_t>(TransformState::View) == D3DTRANSFORMSTATE_VIEW);
static_assert(static_cast<uint32_t>(TransformState::Projection) == D3DTRANSFORMSTATE_PROJECTION);
static_assert(static_cast<uint32_t>(RenderState::Antialias) == D3DRENDERSTATE_ANTIALIAS);
static_assert(static_cast<uint32_t>(RenderState::ZEnable) == D3DRENDERSTATE_ZENABLE);
static_assert(static_cast<uint32_t>(RenderState::FillMode) == D3DRENDERSTATE_FILLMODE);
static_assert(static_cast<uint32_t>(RenderState::ShadeMode) == D3DRENDERSTATE_SHADEMODE);
static_assert(static_cast<uint32_t>(RenderState::ZWriteEnable) == D3DRENDERSTATE_ZWRITEENABLE);
static_assert(static_cast<uint32_t>(RenderState::SrcBlend) == D3DRENDERSTATE_SRCBLEND);
static_assert(static_cast<uint32_t>(RenderState::DestBlend) == D3DRENDERSTATE_DESTBLEND);
static_assert(static_cast<uint32_t>(RenderState::AlphaBlendEnable) == D3DRENDERSTATE_ALPHABLENDENABLE);
static_assert(static_cast<uint32_t>(RenderState::SpecularEnable) == D3DRENDERSTATE_SPECULARENABLE);
static_assert(static_cast<uint32_t>(RenderState::ZVisible) == D3DRENDERSTATE_ZVISIBLE);
static_assert(static_cast<uint32_t>(RenderState::ColorKeyEnable) == D3DRENDERSTATE_COLORKEYENABLE);
static_assert(static_cast<uint32_t>(RenderState::Lighting) == D3DRENDERSTATE_LIGHTING);
static_assert(static_cast<uint32_t>(RenderState::ColorVertex) == D3DRENDERSTATE_COLORVERTEX);
static_assert(static_cast<uint32_t>(RenderState::ColorKeyBlendEnable) == D3DRENDERSTATE_COLORKEYBLENDENABLE);
static_assert(static_cast<uint32_t>(TextureStageState::ColorOp) == D3DTSS_COLOROP);
static_assert(static_cast<uint32_t>(TextureStageState::ColorArg1) == D3DTSS_COLORARG1);
static_assert(static_cast<uint32_t>(TextureStageState::ColorArg2) == D3DTSS_COLORARG2);
static_assert(static_cast<uint32_t>(TextureStageState::AlphaOp) == D3DTSS_ALPHAOP);
static_assert(static_cast<uint32_t>(TextureStageState::AlphaArg1) == D3DTSS_ALPHAARG1);
static_assert(static_cast<uint32_t>(TextureStageState::AlphaArg2) == D3DTSS_ALPHAARG2);
static_assert(kShadeGouraud == D3DSHADE_GOURAUD && kFillSolid == D3DFILL_SOLID);
static_assert(kAntialiasSortIndependent == D3DANTIALIAS_SORTINDEPENDENT);
static_assert(kBlendSrcAlpha == D3DBLEND_SRCALPHA && kBlendInvSrcAlpha == D3DBLEND_INVSRCALPHA);
static_assert(kTextureOpModulate == D3DTOP_MODULATE);
static_assert(kTextureArgDiffuse == D3DTA_DIFFUSE && kTextureArgTexture == D3DTA_TEXTURE);
static_assert(kClearTarget == D3DCLEAR_TARGET && kClearZBuffer == D3DCLEAR_ZBUFFER);
static_assert(kLightDirectional == D3DLIGHT_DIRECTIONAL);
static_assert(kPrimitiveTriangleList == D3DPT_TRIANGLELIST && kFvfVertex == D3DFVF_VERTEX);
static_assert(kTextureCapsSquareOnly == D3DPTEXTURECAPS_SQUAREONLY);
static_assert(kDdpfLuminance == DDPF_LUMINANCE && kDdpfBumpLuminance == DDPF_BUMPLUMINANCE);
static_assert(kDdpfBumpDuDv == DDPF_BUMPDUDV);
static_assert(kDrawOk == D3D_OK && kDrawFailed == static_cast<int32_t>(E_FAIL));
static_assert(sizeof(D3DLight7Data) == sizeof(D3DLIGHT7));
static_assert(offsetof(D3DLight7Data, diffuse) == offsetof(D3DLIGHT7, dcvDiffuse));
static_assert(offsetof(D3DLight7Data, specular) == offsetof(D3DLIGHT7, dcvSpecular));
static_assert(offsetof(D3DLight7Data, ambient) == offsetof(D3DLIGHT7, dcvAmbient));
static_assert(offsetof(D3DLight7Data, direction) == offsetof(D3DLIGHT7, dvDirection));
static_assert(offsetof(D3DLight7Data, range) == offsetof(D3DLIGHT7, dvRange));
static_assert(offsetof(D3DLight7Data, phi) == offsetof(D3DLIGHT7, dvPhi));
static_assert(sizeof(D3DMaterial7Data) == sizeof(D3DMATERIAL7));
static_assert(sizeof(DrawViewport) == sizeof(D3DVIEWPORT7));
static_assert(offsetof(DrawViewport, minZ) == offsetof(D3DVIEWPORT7, dvMinZ));
static_assert(sizeof(DdPixelFormat) == sizeof(DDPIXELFORMAT));
static_assert(sizeof(Matrix4::m) == sizeof(D3DMATRIX));

namespace {

// A texture surface made here: the DirectDraw surface, released when the texture lets go.
class D3D7TextureSurface final : public TextureSurface {
public:
    ComPtr<IDirectDrawSurface7> surface;
};

// Tries of a lock that the device answers with "still drawing": far more than a blit takes.
constexpr int kMaxLockTries = 100000;

// DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE (0x101007).
constexpr DWORD kTextureDescFlags =
    DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
static_assert(kTextureDescFlags == 0x101007);

DrawResult result(HRESULT hr)
{
    return static_cast<DrawResult>(hr);
}

// Copies the picture into a surface of its size through GDI, which converts it to the surface's
// pixel format (the alpha bits come out 0). False when either drawing context can't be had.
bool blitPicture(ImageBuffer& image, IDirectDrawSurface7* surface)
{
    ImageDc picture(image, nullptr);
    if (!picture.get())
        return false;
    SurfaceDc target(surface);
    if (!target.get())
        return false;
    BitBlt(target.get(), 0, 0, image.width(), image.height(), picture.get(), 0, 0, SRCCOPY);
    return true;
}

struct FormatChoice {
    const TextureSurfaceRequest* request;
    DdPixelFormat chosen;
};

HRESULT CALLBACK chooseFormat(DDPIXELFORMAT* offered, void* context)
{
    auto* choice = static_cast<FormatChoice*>(context);
    if (offered == nullptr || choice == nullptr)
        return D3DENUMRET_CANCEL;
    DdPixelFormat format;
    std::memcpy(static_cast<void*>(&format), offered, sizeof format);
    return selectTextureFormat(&format, *choice->request, choice->chosen) == kEnumCancel ? D3DENUMRET_CANCEL
                                                                                         : D3DENUMRET_OK;
}

}  // namespace

D3D7DrawDevice::D3D7DrawDevice(IDirectDraw7* directDraw, IDirect3DDevice7* device, int32_t width,
                               int32_t height, int32_t colourDepth, bool hardware)
    : directDraw_(directDraw),
      device_(device),
      width_(width),
      height_(height),
      colourDepth_(colourDepth),
      hardware_(hardware)
{
    if (device_ == nullptr || FAILED(device_->GetCaps(&caps_)))
        caps_ = D3DDEVICEDESC7{};
}

DrawResult D3D7DrawDevice::setTransform(TransformState state, const Matrix4& matrix)
{
    D3DMATRIX m;
    std::memcpy(&m, matrix.data(), sizeof m);
    return result(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state), &m));
}

DrawResult D3D7DrawDevice::setRenderState(RenderState state, uint32_t value)
{
    return result(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value));
}

DrawResult D3D7DrawDevice::setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value)
{
    return result(device_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(state), value));
}

DrawResult D3D7DrawDevice::setMaterial(const D3DMaterial7Data& material)
{
    D3DMATERIAL7 m;
    std::memcpy(&m, &material, sizeof m);
    return result(device_->SetMaterial(&m));
}

DrawResult D3D7DrawDevice::setTexture(uint32_t stage, TextureSurface* surface)
{
    return result(device_->SetTexture(stage, surfaceOf(surface)));
}

DrawResult D3D7DrawDevice::setLight(uint32_t index, const D3DLight7Data& light)
{
    D3DLIGHT7 l;
    std::memcpy(&l, &light, sizeof l);
    return result(device_->SetLight(index, &l));
}

DrawResult D3D7DrawDevice::lightEnable(uint32_t index, bool enable)
{
    return result(device_->LightEnable(index, enable ? TRUE : FALSE));
}

DrawResult D3D7DrawDevice::setViewport(const DrawViewport& viewport)
{
    D3DVIEWPORT7 v;
    std::memcpy(&v, &viewport, sizeof v);
    return result(device_->SetViewport(&v));
}

DrawResult D3D7DrawDevice::clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil)
{
    return result(device_->Clear(0, nullptr, flags, colour, z, stencil));
}

DrawResult D3D7DrawDevice::beginScene()
{
    return result(device_->BeginScene());
}

DrawResult D3D7DrawDevice::endScene()
{
    return result(device_->EndScene());
}

DrawResult D3D7DrawDevice::drawPrimitive(uint32_t primitiveType, uint32_t vertexFormat, const void* vertices,
                                         uint32_t vertexCount, uint32_t flags)
{
    // The device only reads the vertices; its signature just lacks the const.
    return result(device_->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(primitiveType), vertexFormat,
                                         const_cast<void*>(vertices), vertexCount, flags));
}

DrawResult D3D7DrawDevice::drawIndexedPrimitive(uint32_t primitiveType, uint32_t vertexFormat,
                                                const void* vertices, uint32_t vertexCount,
                                                const uint16_t* indices, uint32_t indexCount, uint32_t flags)
{
    return result(device_->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(primitiveType), vertexFormat,
                                                const_cast<void*>(vertices), vertexCount,
                                                const_cast<WORD*>(indices), indexCount, flags));
}

int32_t D3D7DrawDevice::desktopDepth() const
{
    MemoryDc dc(nullptr);
    return dc.get() ? GetDeviceCaps(dc.get(), BITSPIXEL) : 0;
}

std::unique_ptr<TextureSurface> D3D7DrawDevice::createTextureSurface(const TextureSurfaceRequest& request)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = kTextureDescFlags;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.dwTextureStage = 0;
    if (hardware_)
        desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;  // Direct3D keeps the copy in video memory
    else
        desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;

    const TextureSize size = limitTextureSize(request.width, request.height, caps_.dwMaxTextureWidth,
                                              caps_.dwMaxTextureHeight, caps_.dpcTriCaps.dwTextureCaps);
    desc.dwWidth = static_cast<DWORD>(size.width);
    desc.dwHeight = static_cast<DWORD>(size.height);

    // No accepted format leaves the pixel format all zero, and the creation below fails.
    FormatChoice choice{&request, DdPixelFormat{}};
    device_->EnumTextureFormats(chooseFormat, &choice);
    std::memcpy(&desc.ddpfPixelFormat, &choice.chosen, sizeof desc.ddpfPixelFormat);

    auto texture = std::make_unique<D3D7TextureSurface>();
    const HRESULT hr = directDraw_->CreateSurface(&desc, texture->surface.put(), nullptr);
    if (hr != DD_OK) {
        char text[32];
        std::snprintf(text, sizeof text, "false,%08lx\n", static_cast<unsigned long>(hr));
        debugMessage(text);
        return nullptr;
    }
    return texture;
}

bool D3D7DrawDevice::fillTexture(TextureSurface& surface, ImageBuffer& image)
{
    IDirectDrawSurface7* texture = surfaceOf(&surface);
    if (texture == nullptr || image.empty())
        return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(texture->GetSurfaceDesc(&desc)))
        return false;

    // A system-memory copy of the picture's size in the texture's format, which GDI fills.
    DDSURFACEDESC2 stagingDesc = desc;
    stagingDesc.dwFlags = kTextureDescFlags;
    stagingDesc.dwWidth = static_cast<DWORD>(image.width());
    stagingDesc.dwHeight = static_cast<DWORD>(image.height());
    stagingDesc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    stagingDesc.ddsCaps.dwCaps2 = 0;
    ComPtr<IDirectDrawSurface7> staging;
    if (FAILED(directDraw_->CreateSurface(&stagingDesc, staging.put(), nullptr)))
        return false;

    if (!blitPicture(image, staging.get()))
        return false;

    // DirectDraw scales when the device made the texture smaller or square.
    texture->Blt(nullptr, staging.get(), nullptr, DDBLT_WAIT, nullptr);
    staging.reset();

    const uint32_t alphaMask = desc.ddpfPixelFormat.dwRGBAlphaBitMask;
    if (alphaMask == 0)
        return true;
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    HRESULT hr = DDERR_WASSTILLDRAWING;
    for (int tries = 0; hr == DDERR_WASSTILLDRAWING && tries < kMaxLockTries; ++tries)
        hr = texture->Lock(nullptr, &locked, 0, nullptr);
    if (FAILED(hr))
        return false;
    TexelRows texels;
    texels.bits = static_cast<uint8_t*>(locked.lpSurface);
    texels.pitch = static_cast<int32_t>(locked.lPitch);
    texels.width = static_cast<int32_t>(locked.dwWidth);
    texels.height = static_cast<int32_t>(locked.dwHeight);
    texels.bitsPerTexel = locked.ddpfPixelFormat.dwRGBBitCount;
    writeTextureAlpha(texels, alphaMask, image);
    texture->Unlock(nullptr);
    return true;
}

void D3D7DrawDevice::debugMessage(const char* text)
{
    OutputDebugStringA(text);
}

IDirectDrawSurface7* D3D7DrawDevice::surfaceOf(TextureSurface* surface)
{
    // Every texture surface the program hands this device was made by a D3D7DrawDevice.
    auto* texture = static_cast<D3D7TextureSurface*>(surface);
    return texture != nullptr ? texture->surface.get() : nullptr;
}

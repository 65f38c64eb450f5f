// Image-decoder plug-ins for the plug-in host's tests, one source built four ways:
//   VTEST_DECODER        decodes our own "VTP1" pictures (layout below);
//   VTEST_FAILING        accepts "VTP1" files, but its GetPicture always fails;
//   VTEST_NO_ISSUPPORTED lacks IsSupported;
//   VTEST_NO_GETPICTURE  lacks GetPicture (and accepts every file);
//   VTEST_WITH_HELPER    imports vtest_helper.dll and records "helper <its answer>" when it
//                        attaches; decodes like VTEST_DECODER.
// Each records the calls it receives, one line each, in the file that the environment
// variable VELLARN_PLUGIN_LOG names: "<module file name> <call> <arguments>". Loading and
// unloading are recorded as "attach" and "detach".
//
// A VTP1 picture (little-endian):
//   0 "VTP1", 4 width, 8 height (int32), 12 bit count (uint16), 14 mode (uint16),
//   16 biClrUsed to report, 20 colour count n, 24 n colours (B, G, R, 0), then the pixel rows
//   exactly as they go to the host.
// Modes make GetPicture misbehave the way a broken plug-in might: see Mode.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

enum Mode : unsigned {
    kNormal = 0,
    kFail = 1,             // GetPicture returns an error
    kHeaderTooSmall = 2,   // header handle of 20 bytes
    kPixelsTooSmall = 3,   // pixel handle one row short
    kSameHandleTwice = 4,  // both out-parameters get the header handle
    kNullHandles = 5,      // success without handles
    kWidthZero = 6,        // header reports width 0
    kHeightNegative = 7,   // header reports a top-down picture
};

char moduleName[MAX_PATH] = "?";

void record(const char* format, ...)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("VELLARN_PLUGIN_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    std::FILE* log = std::fopen(path, "ab");
    if (!log)
        return;
    std::fprintf(log, "%s ", moduleName);
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
    std::fclose(log);
}

unsigned le32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24;
}

bool isVtp(const char* bytes)
{
    return std::memcmp(bytes, "VTP1", 4) == 0;
}

HLOCAL copyToLocal(const void* bytes, size_t count)
{
    HLOCAL handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, count ? count : 1);
    if (handle && count) {
        std::memcpy(LocalLock(handle), bytes, count);
        LocalUnlock(handle);
    }
    return handle;
}

// Decodes a VTP1 picture into the two handles, misbehaving as its mode says.
[[maybe_unused]] int decodeVtp(const unsigned char* file, long length, HLOCAL* info, HLOCAL* bits)
{
    if (length < 24 || !isVtp(reinterpret_cast<const char*>(file)))
        return 2;
    const unsigned colors = le32(file + 20);
    if (colors > 1024 || 24 + 4 * static_cast<long>(colors) > length)
        return 2;
    const unsigned mode = file[14] | file[15] << 8;
    if (mode == kFail)
        return 1;
    unsigned char header[40 + 4 * 1024] = {};
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof bih;
    bih.biWidth = mode == kWidthZero ? 0 : static_cast<LONG>(le32(file + 4));
    bih.biHeight = static_cast<LONG>(le32(file + 8));
    if (mode == kHeightNegative)
        bih.biHeight = -bih.biHeight;
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(file[12] | file[13] << 8);
    bih.biClrUsed = le32(file + 16);
    std::memcpy(header, &bih, sizeof bih);
    std::memcpy(header + 40, file + 24, 4 * colors);
    const unsigned char* pixels = file + 24 + 4 * colors;
    size_t pixelBytes = static_cast<size_t>(length - (24 + 4 * colors));
    if (mode == kPixelsTooSmall) {
        const size_t stride = (bih.biBitCount * static_cast<size_t>(bih.biWidth) + 31) / 32 * 4;
        pixelBytes = pixelBytes > stride ? pixelBytes - stride : 0;
    }
    if (mode == kNullHandles) {
        *info = nullptr;
        *bits = nullptr;
        return 0;
    }
    *info = copyToLocal(header, mode == kHeaderTooSmall ? 20 : 40 + 4 * colors);
    *bits = mode == kSameHandleTwice ? *info : copyToLocal(pixels, pixelBytes);
    record("handles %p %p", *info, *bits);
    return 0;
}

}  // namespace

#if defined(VTEST_WITH_HELPER)
extern "C" __declspec(dllimport) int vtestHelperAnswer();
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(instance, path, sizeof path);
        if (length > 0 && length < sizeof path) {
            const char* name = path;
            for (const char* p = path; *p; ++p)
                if (*p == '\\' || *p == '/')
                    name = p + 1;
            std::snprintf(moduleName, sizeof moduleName, "%s", name);
        }
        record("attach");
#if defined(VTEST_WITH_HELPER)
        record("helper %d", vtestHelperAnswer());
#endif
    } else if (reason == DLL_PROCESS_DETACH) {
        record("detach");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int WINAPI GetPluginInfo(int infoNo, LPSTR buffer, int bufferLength)
{
    record("GetPluginInfo %d %d", infoNo, bufferLength);
#if defined(VTEST_DECODER)
    static const char* const texts[] = {
        "00IN", nullptr, "*.vtp", "Vellarn test picture", "*.vtq", "Vellarn test picture, second pattern"};
#else
    static const char* const texts[] = {"00IN"};
#endif
    if (infoNo < 0 || infoNo >= static_cast<int>(sizeof texts / sizeof texts[0]) || !texts[infoNo])
        return 0;
    return std::snprintf(buffer, static_cast<size_t>(bufferLength), "%s", texts[infoNo]);
}

#if !defined(VTEST_NO_ISSUPPORTED)
extern "C" __declspec(dllexport) int WINAPI IsSupported(LPCSTR fileName, DWORD_PTR fileHead)
{
    // The host passes the address of its probe buffer: its upper word is never 0.
    const bool address = (fileHead & ~static_cast<DWORD_PTR>(0xFFFF)) != 0;
    int nonZero = 0;
    if (address) {
        const unsigned char* probe = reinterpret_cast<const unsigned char*>(fileHead);
        for (int i = 0; i < 2048; ++i)
            nonZero += probe[i] != 0;
    }
    record("IsSupported %s %s %d", fileName, address ? "address" : "handle", nonZero);
#if defined(VTEST_NO_GETPICTURE)
    return 1;
#else
    return address && isVtp(reinterpret_cast<const char*>(fileHead)) ? 1 : 0;
#endif
}
#endif

#if !defined(VTEST_NO_GETPICTURE)
extern "C" __declspec(dllexport) int WINAPI
    GetPicture(LPCSTR buffer, LONG_PTR length, unsigned int flag, HLOCAL* info, HLOCAL* bits,
               FARPROC progress, LONG_PTR data)
{
    record("GetPicture %ld %u %s %ld", static_cast<long>(length), flag, progress ? "callback" : "none",
           static_cast<long>(data));
#if defined(VTEST_FAILING)
    (void)buffer;
    (void)info;
    (void)bits;
    return 1;
#else
    if (flag != 1)
        return 2;
    return decodeVtp(reinterpret_cast<const unsigned char*>(buffer), static_cast<long>(length), info, bits);
#endif
}
#endif

extern "C" __declspec(dllexport) int WINAPI GetPictureInfo(LPCSTR, LONG_PTR, unsigned int, void*)
{
    record("GetPictureInfo");
    return 2;
}

// The start-up figures that VELLARN_STARTUP_MARK asks for.
#include "app/win32/startup_mark.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr uint64_t kFileTimeAt1970 = 116444736000000000;  // 100 ns units from 1601 to 1970
constexpr wchar_t kVariable[] = L"VELLARN_STARTUP_MARK";

double unixMsNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return static_cast<double>(ticks - kFileTimeAt1970) / 1e4;
}

}  // namespace

std::wstring startupMarkPath()
{
    const DWORD length = GetEnvironmentVariableW(kVariable, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring path(length, L'\0');
    path.resize(GetEnvironmentVariableW(kVariable, path.data(), length));
    return path;
}

double startupClockMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1e3 / static_cast<double>(frequency.QuadPart);
}

bool writeStartupMark(const std::wstring& path, const StartupFigures& figures)
{
    const double moment = unixMsNow();
    std::FILE* file = _wfopen(path.c_str(), L"wb");  // lines end in \n alone
    if (!file)
        return false;
    std::fprintf(file, "unixMs\t%.3f\n", moment);
    for (const auto& [name, ms] : figures)
        std::fprintf(file, "%s\t%.3f\n", name, ms);
    return std::fclose(file) == 0;
}

StartupMark::StartupMark(AppServices& inner) : inner_(inner), path_(startupMarkPath())
{}

template <typename Step>
auto StartupMark::timed(const char* name, Step step)
{
    if (marked_)
        return step();
    const double start = startupClockMs();
    const auto result = step();
    figures_.emplace_back(name, startupClockMs() - start);
    return result;
}

bool StartupMark::createMainWindow(const ViewState& view)
{
    if (!marked_)
        figures_.emplace_back("settings", startupClockMs() - begun_);
    return timed("window", [&] { return inner_.createMainWindow(view); });
}

bool StartupMark::createDevice(int32_t width, int32_t height, int32_t depth)
{
    return timed("device", [&] { return inner_.createDevice(width, height, depth); });
}

bool StartupMark::loadScene()
{
    return timed("modelLoad", [this] { return inner_.loadScene(); });
}

void StartupMark::renderAndPresent()
{
    // Every later picture goes straight through: no clock reading on the frame path.
    if (marked_) {
        inner_.renderAndPresent();
        return;
    }
    const double start = startupClockMs();
    inner_.renderAndPresent();
    figures_.emplace_back("firstRender", startupClockMs() - start);
    marked_ = true;
    if (path_.empty())
        return;
    writeStartupMark(path_, figures_);
    // Start-up goes on to its end (the settings are written) and the message loop then ends
    // the program as the Exit command would.
    PostQuitMessage(0);
}

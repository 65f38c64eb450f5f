// The floating window, the DirectX failure message and the message loop.
#include "app/win32/win32_services.h"

#include <string>

namespace {

// The program's name for message-box captions: the executable's base name.
std::wstring programName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

}  // namespace

bool Win32AppServices::createMainWindow()
{
    window_ = new FloatingWindow();
    return window_->create(instance_);
}

void Win32AppServices::destroyMainWindow()
{
    delete window_;
    window_ = nullptr;
}

void Win32AppServices::resizeMainWindow(int32_t width, int32_t height)
{
    if (window_)
        window_->resize(width, height);
}

void Win32AppServices::showDeviceError()
{
    MessageBoxW(window_ ? window_->handle() : nullptr,
                L"DirectXの初期化に失敗しました。\rDirectX7以降が正常に動作していません。",
                programName().c_str(), MB_OK);
}

int32_t Win32AppServices::runMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The dialog's keyboard handling turns Escape and Enter into its commands.
        if (window_ && IsDialogMessageW(window_->handle(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int32_t>(msg.wParam);
}

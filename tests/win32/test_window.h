// A hidden pop-up window of a given client size, for the tests that need a window: a device's
// clipper and cooperative level, a window style to read.
#pragma once

#include <windows.h>

#include <cstdint>

class TestWindow {
public:
    TestWindow(int32_t width, int32_t height)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VellarnTestWindow";
        RegisterClassW(&wc);  // fails harmlessly when the class is there already
        window_ = CreateWindowExW(0, wc.lpszClassName, L"test window", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    }
    ~TestWindow() { DestroyWindow(window_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

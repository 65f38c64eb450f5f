// The floating window's creation and message handling.
#include "app/win32/floating_window.h"

#include "resources/resource_ids.h"

FloatingWindow::~FloatingWindow()
{
    destroy();
}

bool FloatingWindow::create(HINSTANCE instance)
{
    hwnd_ = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FLOATING_WINDOW), nullptr, dialogProc,
                               reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

void FloatingWindow::destroy()
{
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

void FloatingWindow::resize(int32_t width, int32_t height)
{
    windowWidth = width;
    windowHeight = height;
    if (!hwnd_)
        return;
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    MoveWindow(hwnd_, rect.left, rect.top, width, height, TRUE);
}

INT_PTR CALLBACK FloatingWindow::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
        auto* self = reinterpret_cast<FloatingWindow*>(lParam);
        self->hwnd_ = hwnd;
        return self->onInitDialog();
    }
    auto* self = reinterpret_cast<FloatingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        return self->onCommand(wParam);
    default:
        return FALSE;
    }
}

INT_PTR FloatingWindow::onInitDialog()
{
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    MoveWindow(hwnd_, rect.left, rect.top, windowWidth, windowHeight, TRUE);
    return TRUE;
}

INT_PTR FloatingWindow::onCommand(WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDCANCEL:  // Escape, or the window being closed
        PostQuitMessage(0);
        return TRUE;
    case IDOK:  // Enter does nothing
        return TRUE;
    default:
        return FALSE;
    }
}

// The control dialog's sliders: ranges, ticks, and the two directions of the mapping.
#include "app/win32/control_dialog.h"

#include <commctrl.h>

#include "app/controls.h"
#include "app/win32/interface_resources.h"
#include "app/win32/screen_placement.h"
#include "resources/resource_ids.h"

namespace {

// Every trackbar of the template, the hidden size slider included.
constexpr int kTrackbars[] = {IDC_TURN_X,       IDC_TURN_Y,       IDC_TILT,       IDC_TEMPLE_LEFT,
                              IDC_TEMPLE_RIGHT, IDC_TRANSPARENCY, IDC_RENDER_SIZE};
constexpr int kTicks[] = {-16384, 0, 16384};
// Every slider spans the same range: an arrow key (or a wheel notch) moves it a hundredth of
// it, Page Up/Down a tenth. On the turn sliders that is 1.8 and 18 degrees, on the tilt slider
// 3.6 and 36, on a temple slider 0.01 and 0.1 of its length, and on the transparency slider
// 0.02, the Shift wheel's step, and 0.2.
constexpr int kSliderSpan = kSliderMax - kSliderMin + 1;
constexpr int kLineSize = kSliderSpan / 100;
constexpr int kPageSize = kSliderSpan / 10;

}  // namespace

ControlDialog::~ControlDialog()
{
    destroy();
}

bool ControlDialog::create(HINSTANCE instance, HWND owner, SceneParameters& params, bool shown,
                           std::function<void()> onChanged, std::function<void()> onSettled)
{
    params_ = &params;
    onChanged_ = std::move(onChanged);
    onSettled_ = std::move(onSettled);
    hwnd_ = createInterfaceDialog(instance, IDD_CONTROL_DIALOG, owner, dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!hwnd_)
        return false;
    if (shown)
        ShowWindow(hwnd_, SW_SHOW);
    return true;
}

void ControlDialog::placeBesideOwner(HWND owner)
{
    if (!hwnd_)
        return;
    // The template puts the dialog at its owner's top-left corner, where it would hide the
    // glasses; it opens just to their right instead, inside the screen.
    RECT glasses, dialog;
    GetWindowRect(owner, &glasses);
    GetWindowRect(hwnd_, &dialog);
    const int width = dialog.right - dialog.left;
    int x = glasses.right;
    if (x + width > GetSystemMetrics(SM_CXSCREEN))
        x = glasses.left - width;
    SetWindowPos(hwnd_, nullptr, x < 0 ? 0 : x, glasses.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlDialog::placeAt(POINT topLeft)
{
    if (!hwnd_)
        return;
    RECT dialog;
    GetWindowRect(hwnd_, &dialog);
    const POINT at = visibleTopLeft(topLeft, {dialog.right - dialog.left, dialog.bottom - dialog.top});
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlDialog::destroy()
{
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

void ControlDialog::show()
{
    if (hwnd_)
        ShowWindow(hwnd_, SW_SHOW);
}

void ControlDialog::hide()
{
    ShowWindow(hwnd_, SW_HIDE);
    settled();
}

void ControlDialog::settled()
{
    if (onSettled_)
        onSettled_();
}

INT_PTR CALLBACK ControlDialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
        auto* self = reinterpret_cast<ControlDialog*>(lParam);
        self->hwnd_ = hwnd;
        self->onInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<ControlDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return FALSE;
    switch (message) {
    case WM_CLOSE:  // the close box hides the dialog; the show command brings it back
        self->hide();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            self->hide();
            return TRUE;
        }
        return FALSE;
    case WM_EXITSIZEMOVE:  // the user has moved the dialog by its caption
        self->settled();
        return FALSE;
    case WM_HSCROLL:
        self->onScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        if (LOWORD(wParam) == TB_ENDTRACK)
            self->settled();
        return TRUE;
    default:
        return FALSE;
    }
}

void ControlDialog::onScroll(HWND bar, int notification)
{
    // A slider moved by the keyboard, the wheel or a click on its channel changes the scene at
    // once, as a drag does; otherwise the next frame would put it back. A dragged thumb sends
    // TB_THUMBTRACK from the very mouse move that preTranslate reads afterwards: reading it
    // here too would render each motion twice. The notifications that end a move (TB_ENDTRACK,
    // TB_THUMBPOSITION) find the sliders where the last frame put them and make no new one.
    if (notification == TB_THUMBTRACK || !ownsTrackbar(bar))
        return;
    if (positions() != slidersFromScene(*params_))
        readSliders();
}

void ControlDialog::onInitDialog()
{
    for (int id : kTrackbars) {
        HWND bar = GetDlgItem(hwnd_, id);
        SendMessageW(bar, TBM_SETRANGEMIN, TRUE, kSliderMin);
        SendMessageW(bar, TBM_SETRANGEMAX, TRUE, kSliderMax);
        for (int tick : kTicks)
            SendMessageW(bar, TBM_SETTIC, 0, tick);
        SendMessageW(bar, TBM_SETLINESIZE, 0, kLineSize);
        SendMessageW(bar, TBM_SETPAGESIZE, 0, kPageSize);
        // Some trackbar implementations (Wine's) place the thumb anew only when the position
        // changes, not when the range does: a thumb left at 0 would stay where 0 was in the
        // default range 0..100, the left end. Moving it to the maximum places it in the new
        // range; syncSliders then moves it to its value.
        SendMessageW(bar, TBM_SETPOS, TRUE, kSliderMax);
    }
    syncSliders();
}

int32_t ControlDialog::position(int id) const
{
    return static_cast<int32_t>(SendDlgItemMessageW(hwnd_, id, TBM_GETPOS, 0, 0));
}

void ControlDialog::setPosition(int id, int32_t pos)
{
    SendDlgItemMessageW(hwnd_, id, TBM_SETPOS, TRUE, pos);
}

void ControlDialog::syncSliders()
{
    if (!hwnd_ || !params_)
        return;
    const SliderPositions s = slidersFromScene(*params_);
    setPosition(IDC_TURN_X, s.turnX);
    setPosition(IDC_TURN_Y, s.turnY);
    setPosition(IDC_TILT, s.tilt);
    setPosition(IDC_TEMPLE_LEFT, s.leftTemple);
    setPosition(IDC_TEMPLE_RIGHT, s.rightTemple);
    setPosition(IDC_TRANSPARENCY, s.transparency);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

SliderPositions ControlDialog::positions() const
{
    SliderPositions s;
    s.turnX = position(IDC_TURN_X);
    s.turnY = position(IDC_TURN_Y);
    s.tilt = position(IDC_TILT);
    s.leftTemple = position(IDC_TEMPLE_LEFT);
    s.rightTemple = position(IDC_TEMPLE_RIGHT);
    s.transparency = position(IDC_TRANSPARENCY);
    return s;
}

void ControlDialog::readSliders()
{
    sceneFromSliders(positions(), *params_);
    if (onChanged_)
        onChanged_();
}

bool ControlDialog::ownsTrackbar(HWND window) const
{
    for (int id : kTrackbars)
        if (window && window == GetDlgItem(hwnd_, id))
            return true;
    return false;
}

bool ControlDialog::preTranslate(MSG& msg)
{
    if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)))
        return false;
    const bool handled = IsDialogMessageW(hwnd_, &msg) != FALSE;
    // The glasses follow a slider while its thumb is dragged.
    if (msg.message == WM_MOUSEMOVE && ownsTrackbar(GetCapture()))
        readSliders();
    return handled;
}

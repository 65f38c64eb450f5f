// The floating window: presentation, drags, the wheel, the context menu's commands.
#include "app/win32/floating_window.h"

#include <windowsx.h>

#include "app/application.h"
#include "app/glasses_scene.h"
#include "app/model_path.h"
#include "app/win32/context_menu.h"
#include "app/win32/layered_window_api.h"
#include "app/win32/model_opening.h"
#include "app/win32/screen_placement.h"
#include "app/win32/win32_services.h"
#include "base/win32/gdi_handles.h"
#include "image/win32/image_dc.h"
#include "image/win32/window_region.h"
#include "render/win32/render_device.h"
#include "resources/resource_ids.h"

namespace {

constexpr uint32_t kRegionKey = 0x00FF00;  // pure green: the background of a region-mode picture

bool keyDown(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

}  // namespace

FloatingWindow::~FloatingWindow()
{
    destroy();
}

bool FloatingWindow::create(HINSTANCE instance, const ViewState& view)
{
    instance_ = instance;
    controlDialogShown_ = view.controlDialogShown.value_or(true);
    controlDialogPosition_ = view.controlDialogPosition;
    hwnd_ = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FLOATING_WINDOW), nullptr, dialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (!hwnd_)
        return false;
    // Placed before the first picture, which comes with the window's size; the size the
    // render size will give decides whether it shows on a monitor there.
    if (view.windowPosition) {
        const POINT at = visibleTopLeft({view.windowPosition->x, view.windowPosition->y},
                                        {renderWidth / 2, renderHeight / 2});
        SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

void FloatingWindow::destroy()
{
    controlDialog_.destroy();
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
    // The window has its size only now: the control dialog, made with the window, goes where
    // the user left it or else beside the window, once.
    if (!controlDialogPlaced_) {
        if (controlDialogPosition_)
            controlDialog_.placeAt({controlDialogPosition_->x, controlDialogPosition_->y});
        else
            controlDialog_.placeBesideOwner(hwnd_);
        controlDialogPlaced_ = true;
    }
}

INT_PTR CALLBACK FloatingWindow::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
        auto* self = reinterpret_cast<FloatingWindow*>(lParam);
        self->hwnd_ = hwnd;
        self->onInitDialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<FloatingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handleMessage(message, wParam, lParam) : FALSE;
}

// Returns TRUE for messages that are done with; FALSE lets the dialog's default handling run.
INT_PTR FloatingWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_PAINT:
        onPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    case WM_MOVE:
        // Moves before the first device existed are not passed on.
        return renderDevice().everReady() ? FALSE : TRUE;
    case WM_LBUTTONDOWN:
        onLeftButtonDown(at);
        return FALSE;
    case WM_MOUSEMOVE:
        if (GetCapture() != hwnd_)
            return TRUE;
        onMouseMove(at);
        return FALSE;
    case WM_LBUTTONUP:
        onLeftButtonUp();
        return FALSE;
    case WM_MOUSEWHEEL:
        onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return FALSE;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CONTEXTMENU:
        showContextMenu(instance_, hwnd_, modelNames);
        return TRUE;
    case WM_COMMAND:
        return onCommand(wParam);
    default:
        return FALSE;
    }
}

void FloatingWindow::onInitDialog()
{
    icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_VELLARN));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    layeredWindowApi().setLayeredStyle(hwnd_, true);
    DragAcceptFiles(hwnd_, TRUE);
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    MoveWindow(hwnd_, rect.left, rect.top, windowWidth, windowHeight, TRUE);
    controlDialog_.create(
        instance_, hwnd_, scene_.params, controlDialogShown_, [this] { renderAndPresent(); },
        [this] { rememberView(); });
}

void FloatingWindow::onPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    if (IsIconic(hwnd_)) {
        SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(hwnd_, &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, icon_);
    } else if (!windowImage_.empty() && !layeredWindowApi().updateLayeredWindow) {
        // A layered window shows what UpdateLayeredWindow gave it; only the region-shaped
        // window is painted here.
        ImageDc memory(windowImage_, dc);
        if (memory.get())
            BitBlt(dc, 0, 0, windowImage_.width(), windowImage_.height(), memory.get(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &paint);
}

void FloatingWindow::present(const ImageBuffer& image)
{
    if (image.empty())
        return;
    if (!layeredWindowApi().updateLayeredWindow) {
        presentWithRegion(image);
        return;
    }
    // The scene's picture is twice the window's size; shrinking it smooths the edges.
    if (!windowImage_.resizeFrom(image, windowWidth, windowHeight))
        return;
    presentLayered();
    controlDialog_.syncSliders();
}

void FloatingWindow::presentLayered()
{
    WindowDc screen(nullptr);
    ImageDc memory(windowImage_, screen.get());
    if (!memory.get())
        return;
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    POINT destination = {rect.left, rect.top};
    SIZE size = {windowImage_.width(), windowImage_.height()};
    POINT source = {0, 0};
    // The colours are already multiplied by their alpha, as AC_SRC_ALPHA expects.
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    layeredWindowApi().updateLayeredWindow(hwnd_, screen.get(), &destination, &size, memory.get(), &source, 0,
                                           &blend, ULW_ALPHA);
}

void FloatingWindow::presentWithRegion(const ImageBuffer& image)
{
    if (!windowImage_.resizeFrom(image, windowWidth, windowHeight))
        return;
    WindowRegion region;
    if (buildColorKeyRegion(windowImage_, region, kRegionKey, regionScratch_)) {
        // The window owns the region from here on.
        if (SetWindowRgn(hwnd_, region.get(), TRUE))
            region.detach();
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FloatingWindow::renderAndPresent()
{
    scene_.render();
    present(scene_.blackImage);
}

void FloatingWindow::onLeftButtonDown(POINT at)
{
    dragStart_ = at;
    dragValues_ = dragStartFrom(scene_.params);
    dragMode_ = chooseDragMode(keyDown(VK_CONTROL), keyDown(VK_SHIFT), keyDown(VK_MENU));
    if (dragMode_ == DragMode::Temples)
        scene_.showMasks(true);
    SetCapture(hwnd_);
}

void FloatingWindow::onMouseMove(POINT at)
{
    const int32_t dx = at.x - dragStart_.x;
    const int32_t dy = at.y - dragStart_.y;
    if (dragMode_ == DragMode::Move) {
        // The window follows the mouse, so the pointer comes back to dragStart_ in client
        // coordinates; no picture is made.
        RECT rect;
        GetWindowRect(hwnd_, &rect);
        OffsetRect(&rect, dx, dy);
        MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        return;
    }
    applyDrag(dragMode_, dragValues_, dx, dy, scene_.params);
    renderAndPresent();
}

void FloatingWindow::onLeftButtonUp()
{
    ReleaseCapture();
    if (dragMode_ == DragMode::Temples) {
        scene_.showMasks(false);
        renderAndPresent();
    }
    rememberView();
}

void FloatingWindow::onMouseWheel(int32_t delta)
{
    if (keyDown(VK_SHIFT)) {
        applyTransparencyWheel(delta, scene_.params);
        renderAndPresent();
        rememberView();
        return;
    }
    const bool ctrl = keyDown(VK_CONTROL);
    renderWidth = nextRenderSize(renderWidth, delta, ctrl);
    renderHeight = nextRenderSize(renderHeight, delta, ctrl);
    // Remembered only once the device and the picture are there at the new size.
    if (!app_.initDevice()) {
        showDeviceErrorMessage(hwnd_);
        quit();
        return;
    }
    if (!app_.loadAndShow()) {
        quit();
        return;
    }
    rememberView();
}

// Model commands are told apart by their range, which no other command may share.
static_assert(IDC_LENS_COLOUR < IDC_MODEL_PLACEHOLDER && IDC_SHOW_CONTROLS > IDC_MODEL_LAST &&
              IDC_OPEN_MODEL > IDC_MODEL_LAST && IDC_EXIT > IDC_MODEL_LAST);

INT_PTR FloatingWindow::onCommand(WPARAM wParam)
{
    const UINT command = LOWORD(wParam);
    if (command >= IDC_MODEL_PLACEHOLDER && command <= IDC_MODEL_LAST) {
        if (command >= IDC_MODEL_FIRST)
            chooseModel(command - IDC_MODEL_FIRST);
        return TRUE;
    }
    switch (command) {
    case IDC_LENS_COLOUR:
        chooseColour();
        return TRUE;
    case IDC_OPEN_MODEL:
        openModelFile();
        return TRUE;
    case IDC_SHOW_CONTROLS:
        controlDialog_.show();
        rememberView();
        return TRUE;
    case IDC_EXIT:
        // Closing turns into the Cancel command, which ends the program.
        SendMessageW(hwnd_, WM_CLOSE, 0, 0);
        return TRUE;
    case IDCANCEL:  // Escape, or the window being closed
        rememberView();
        quit();
        return TRUE;
    case IDOK:  // Enter does nothing
        return TRUE;
    default:
        return FALSE;
    }
}

void FloatingWindow::chooseModel(size_t index)
{
    if (index >= modelNames.size())
        return;
    showModel(modelNames[index]);
}

void FloatingWindow::openModelFile()
{
    std::string chosen;
    if (askForModelFile(hwnd_, modelFolder(app_.modelFileName), chosen))
        showModel(chosen);
}

void FloatingWindow::onDropFiles(HDROP drop)
{
    std::string name;
    if (modelFromDrop(hwnd_, drop, name))
        showModel(name);
}

// Another model brings its own lens colour, which the view then remembers.
void FloatingWindow::showModel(const std::string& name)
{
    app_.chooseModel(name);
    rememberView();
}

void FloatingWindow::chooseColour()
{
    uint32_t colour = chooserColourFromLens(scene_.params.lens);
    if (!chooseLensColour(hwnd_, colour))
        return;
    lensFromChooserColour(colour, scene_.params.lens);
    renderAndPresent();
    rememberView();
}

ViewState FloatingWindow::currentView() const
{
    ViewState view;
    viewOfScene(scene_.params, view);
    view.renderWidth = renderWidth;
    view.renderHeight = renderHeight;
    // A minimised window stands far off the screen, and its control dialog is hidden with it.
    if (!hwnd_ || IsIconic(hwnd_))
        return view;
    RECT rect;
    GetWindowRect(hwnd_, &rect);
    view.windowPosition = ScreenPoint{rect.left, rect.top};
    if (HWND dialog = controlDialog_.handle()) {
        view.controlDialogShown = controlDialog_.shown();
        GetWindowRect(dialog, &rect);
        view.controlDialogPosition = ScreenPoint{rect.left, rect.top};
    }
    return view;
}

void FloatingWindow::rememberView()
{
    app_.rememberView(currentView());
}

void FloatingWindow::quit()
{
    PostQuitMessage(0);
}

bool FloatingWindow::preTranslate(MSG& msg)
{
    if (controlDialog_.preTranslate(msg))
        return true;
    return hwnd_ && IsDialogMessageW(hwnd_, &msg);
}

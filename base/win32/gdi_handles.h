// Scoped holders of drawing contexts and GDI objects, so that every path out of a function gives
// back what it took: a window's context, a memory context, a DirectDraw surface's context, an
// object selected into a context, an owned GDI object. Each gives its handle back when the scope
// ends, in the reverse order of creation; a handle that could not be had is null and given back
// to no one. COM interfaces have their own holder (base/win32/com_ptr.h).
#pragma once

#include <windows.h>

#include <ddraw.h>

#include <utility>

// A window's drawing context (GetDC; null window: the screen's), released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;  // null when GetDC failed
};

// A memory drawing context compatible with another (null: with the screen), deleted with DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;  // null when CreateCompatibleDC failed
};

// A DirectDraw surface's drawing context (the surface is locked for GDI meanwhile), released
// with the surface's ReleaseDC.
class SurfaceDc {
public:
    explicit SurfaceDc(IDirectDrawSurface7* surface) : surface_(surface)
    {
        if (FAILED(surface_->GetDC(&dc_)))
            dc_ = nullptr;
    }
    ~SurfaceDc()
    {
        if (dc_)
            surface_->ReleaseDC(dc_);
    }
    SurfaceDc(const SurfaceDc&) = delete;
    SurfaceDc& operator=(const SurfaceDc&) = delete;
    HDC get() const { return dc_; }

private:
    IDirectDrawSurface7* surface_;
    HDC dc_ = nullptr;  // null when the surface gave none
};

// An object selected into a drawing context; the object it displaced is selected back when the
// scope ends. Nothing is selected into a null context.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc)
    {
        if (dc_)
            previous_ = SelectObject(dc_, object);
    }
    ~SelectedObject()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    // True when the object was selected.
    explicit operator bool() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;  // what the object displaced; null if the selection failed
};

// Owns one GDI object (a bitmap, a region, ...) and deletes it with DeleteObject, unless it was
// handed on with detach (as to SetWindowRgn, which takes over the region it is given).
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle object) : object_(object) {}
    ~GdiObject() { attach(nullptr); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    // Takes ownership of object, deleting the one held before (unless it is the same).
    void attach(Handle object)
    {
        if (object_ && object_ != object)
            DeleteObject(object_);
        object_ = object;
    }
    // Gives up ownership and returns the object (null if none).
    Handle detach() { return std::exchange(object_, nullptr); }
    Handle get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    Handle object_ = nullptr;
};

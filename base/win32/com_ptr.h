// ComPtr: owns one reference to a COM interface and releases it when reset or destroyed, so that
// every path out of a function gives its interfaces back. Where the order of releases matters,
// the owner calls reset() in that order; destruction then finds nothing left to release.
#pragma once

#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases the reference held; the pointer becomes null.
    void reset()
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }

    // Takes over a reference that the caller owns.
    void attach(T* p)
    {
        reset();
        p_ = p;
    }

    // For a creation function's out-parameter: releases what is held and hands out the slot.
    T** put()
    {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;  // the owned reference; null when none
};

// Move-only owners for every kind of Win32 handle the programs hold, so that no exit path can
// leak one: kernel handles (files, pipes, events, processes, threads, sections), GDI objects,
// device contexts, loaded modules, icons and image lists, plus guards that put back what was
// selected into a device context.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace pd {

// One owned handle of a kind described by Traits (Empty, IsValid, Close).
template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Traits::IsValid(value_); }

    // Gives up ownership without closing.
    T Release() noexcept { return std::exchange(value_, Traits::Empty()); }

    // Closes what is held (if anything) and takes `value` instead.
    void Reset(T value = Traits::Empty()) noexcept {
        if (value == value_) return;
        if (Traits::IsValid(value_)) Traits::Close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::Empty();
};

struct KernelHandleTraits {
    static HANDLE Empty() noexcept { return nullptr; }
    // Some calls report failure with null, others with INVALID_HANDLE_VALUE; neither is owned.
    static bool IsValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

template <typename T>
struct GdiObjectTraits {
    static T Empty() noexcept { return nullptr; }
    static bool IsValid(T h) noexcept { return h != nullptr; }
    static void Close(T h) noexcept { ::DeleteObject(h); }
};

struct MemoryDcTraits {
    static HDC Empty() noexcept { return nullptr; }
    static bool IsValid(HDC h) noexcept { return h != nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};

struct ModuleTraits {
    static HMODULE Empty() noexcept { return nullptr; }
    static bool IsValid(HMODULE h) noexcept { return h != nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

struct IconTraits {
    static HICON Empty() noexcept { return nullptr; }
    static bool IsValid(HICON h) noexcept { return h != nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};

struct ImageListTraits {
    static HIMAGELIST Empty() noexcept { return nullptr; }
    static bool IsValid(HIMAGELIST h) noexcept { return h != nullptr; }
    static void Close(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
};

using OwnedHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
template <typename T>
using GdiObject = UniqueHandle<T, GdiObjectTraits<T>>;
using ScopedFont = GdiObject<HFONT>;
using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedPen = GdiObject<HPEN>;
using ScopedBrush = GdiObject<HBRUSH>;
using MemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using ScopedModule = UniqueHandle<HMODULE, ModuleTraits>;
using ScopedIcon = UniqueHandle<HICON, IconTraits>;
using ScopedImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;

// Selects an object into a device context and puts the previous one back on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The client-area device context of a window, released on scope exit.
class ClientDc {
public:
    explicit ClientDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~ClientDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    ClientDc(const ClientDc&) = delete;
    ClientDc& operator=(const ClientDc&) = delete;

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint for one paint message.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) {
        dc_ = ::BeginPaint(window, &paint_);
    }
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& paint() const noexcept { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

}  // namespace pd

#pragma once

// RAII owners for GDI objects, device contexts and selections, and kernel
// handles. Every GDI object the program makes is counted while it lives, so
// a test can see that nothing leaks over any number of ticks.

#include <windows.h>

#include <atomic>
#include <utility>

namespace platform::win32 {

// Live GDI objects made by this program (regions handed to windows excluded).
inline std::atomic<long> liveGdiObjects{0};

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {
        if (handle_) ++liveGdiObjects;
    }
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void Reset() {
        if (handle_) {
            ::DeleteObject(handle_);
            --liveGdiObjects;
            handle_ = nullptr;
        }
    }
    // Gives up ownership, as when a region is handed to a window.
    Handle Release() {
        if (handle_) --liveGdiObjects;
        return std::exchange(handle_, nullptr);
    }

private:
    Handle handle_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;

// A memory device context, deleted with its owner.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {
        if (dc_) ++liveGdiObjects;
    }
    ~MemoryDC() {
        if (dc_) {
            ::DeleteDC(dc_);
            --liveGdiObjects;
        }
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// A window's DC for the length of a scope (GetDC / ReleaseDC).
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { ::BeginPaint(window_, &paint_); }
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return paint_.hdc; }
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// SelectObject for a scope; the previous object is selected back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// SaveDC / RestoreDC: clip region, text colour and mode come back as they were.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~SavedDC() {
        if (saved_) ::RestoreDC(dc_, saved_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A handle closed by Close with its owner: the generic owner for handles
// that are not GDI objects.
template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    Handle Get() const { return handle_; }

private:
    void Reset() {
        if (handle_) Close(handle_);
        handle_ = nullptr;
    }

    Handle handle_ = nullptr;
};

// An icon loaded from the resources (not shared).
using Icon = UniqueHandle<HICON, ::DestroyIcon>;
// A kernel object: mutex, file.
using KernelHandle = UniqueHandle<HANDLE, ::CloseHandle>;

}  // namespace platform::win32

#pragma once

// Decodes the compressed pictures (PNG) with the Windows Imaging Component,
// which every Windows since XP SP3 carries. COM and ole32 are started the
// first time a picture is decoded: a program that never needs one (every
// picture at 100%) never loads them.

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstddef>
#include <utility>

#include "platform/win32/Gdi_win.h"

namespace platform::win32 {

// One reference to a COM object, released with its owner.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For the out parameter of a call that hands over a new reference.
    Interface** Out() {
        Reset();
        return &object_;
    }
    void Reset() {
        if (object_) std::exchange(object_, nullptr)->Release();
    }

private:
    Interface* object_ = nullptr;
};

using Library = UniqueHandle<HMODULE, ::FreeLibrary>;

class ImageDecoder {
public:
    ImageDecoder() = default;
    ~ImageDecoder();
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    // Decodes an image file held in memory into a new top-down 32-bit DIB
    // section of exactly width x height. An empty Bitmap when anything fails
    // or the image has another size: the caller then draws what it had.
    Bitmap Decode(const void* bytes, std::size_t size, int width, int height);

private:
    bool Start();

    bool started_ = false;  // Start has run, whatever its outcome
    Library ole32_;
    void(WINAPI* uninitialise_)() = nullptr;  // CoUninitialize, once COM is ours to close
    ComRef<IWICImagingFactory> factory_;
};

}  // namespace platform::win32

// The GUIDs of the imaging classes and pixel formats are defined here, in
// this one file, rather than taken from a library.
#include <initguid.h>

#include "platform/win32/ImageDecoder_win.h"
#include "platform/win32/Handles_win.h"

#include <climits>
#include <cstdint>

namespace platform::win32 {

namespace {

template <typename Function>
Function ProcAddress(HMODULE library, const char* name) {
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace

ImageDecoder::~ImageDecoder() {
    // Every COM object goes before COM is closed, and COM before its library.
    factory_.Reset();
    if (uninitialise_) uninitialise_();
}

bool ImageDecoder::Start() {
    if (started_) return static_cast<bool>(factory_);
    started_ = true;
    // From the system folder only, like every other library of the program.
    ole32_ = Library(LoadSystemLibrary(L"ole32.dll"));
    if (!ole32_.Get()) return false;
    auto initialise = ProcAddress<HRESULT(WINAPI*)(LPVOID, DWORD)>(ole32_.Get(), "CoInitializeEx");
    auto uninitialise = ProcAddress<void(WINAPI*)()>(ole32_.Get(), "CoUninitialize");
    auto create = ProcAddress<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(ole32_.Get(),
                                                                                    "CoCreateInstance");
    if (!initialise || !uninitialise || !create) return false;

    // S_FALSE: COM was already started on this thread; it still takes a
    // matching CoUninitialize. Another threading model already in place
    // (RPC_E_CHANGED_MODE) serves as well, but is not ours to close.
    HRESULT started = initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(started)) {
        uninitialise_ = uninitialise;
    } else if (started != RPC_E_CHANGED_MODE) {
        return false;
    }
    void* factory = nullptr;
    if (FAILED(create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, &factory))) {
        return false;
    }
    *factory_.Out() = static_cast<IWICImagingFactory*>(factory);
    return true;
}

Bitmap ImageDecoder::Decode(const void* bytes, std::size_t size, int width, int height) {
    if (!bytes || size == 0 || size > UINT_MAX || width <= 0 || height <= 0) return {};
    if (width > INT_MAX / 4 / height) return {};
    if (!Start()) return {};

    ComRef<IWICStream> stream;
    if (FAILED(factory_->CreateStream(stream.Out())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), static_cast<DWORD>(size)))) {
        return {};
    }
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory_->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                 decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(factory_->CreateFormatConverter(converter.Out())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom))) {
        return {};
    }
    UINT decodedWidth = 0, decodedHeight = 0;
    if (FAILED(converter->GetSize(&decodedWidth, &decodedHeight)) || decodedWidth != static_cast<UINT>(width) ||
        decodedHeight != static_cast<UINT>(height)) {
        return {};
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the decoder writes rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    const UINT stride = static_cast<UINT>(width) * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * static_cast<UINT>(height), static_cast<BYTE*>(bits)))) {
        return {};
    }
    // The fourth byte of each pixel is left to the decoder; cleared, a
    // pixel compares equal to the colour GDI makes of the same RGB value.
    auto* pixel = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height); i < n; ++i) {
        pixel[i] &= 0x00FFFFFFu;
    }
    return bitmap;
}

}  // namespace platform::win32

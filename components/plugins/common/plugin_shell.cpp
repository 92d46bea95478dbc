#include "components/plugins/common/plugin_shell.h"

#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

namespace qaz::plugins {
namespace {

using ProgressFn = int(WINAPI*)(int done, int total, LONG_PTR data);

// Larger inputs are not pictures we could hold anyway.
constexpr DWORD kMaxInput = 256u << 20;

// The input of GetPictureInfo and GetPicture: with flag 0 a file read from
// the offset to its end, with flag 1 a block of memory of the given size.
int ReadInput(LPCSTR buf, LONG len, UINT flag, std::vector<uint8_t>& data) {
    if ((flag & 7) == 1) {
        if (!buf || len <= 0 || static_cast<DWORD>(len) > kMaxInput) return kSpiReadError;
        data.assign(reinterpret_cast<const uint8_t*>(buf), reinterpret_cast<const uint8_t*>(buf) + len);
        return kSpiOk;
    }
    if ((flag & 7) != 0 || !buf || len < 0) return kSpiReadError;
    HANDLE file = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kSpiReadError;
    int result = kSpiReadError;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart >= len && size.QuadPart - len <= kMaxInput &&
        SetFilePointer(file, len, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        const DWORD want = static_cast<DWORD>(size.QuadPart - len);
        data.resize(want);
        DWORD got = 0;
        if (want == 0 || (ReadFile(file, data.data(), want, &got, nullptr) && got == want)) result = kSpiOk;
    }
    CloseHandle(file);
    return result;
}

int Input(LPCSTR buf, LONG len, UINT flag, std::vector<uint8_t>& data) {
    const int read = ReadInput(buf, len, flag, data);
    if (read != kSpiOk) return read;
    return kFormat.isMine(data.data(), data.size()) ? kSpiOk : kSpiUnknownFormat;
}

// The input of one call at a time is read into a buffer that lives as long
// as the library, so that the next picture reuses its pages instead of
// touching fresh ones; a call made while another holds it reads into its
// own. Above 16 MB the buffer is let go after the call.
class InputBuffer {
public:
    InputBuffer() : lock_(mutex_, std::try_to_lock) {
        if (lock_.owns_lock()) data_ = &shared_;
    }
    ~InputBuffer() {
        if (lock_.owns_lock() && shared_.capacity() > (16u << 20)) std::vector<uint8_t>().swap(shared_);
    }
    std::vector<uint8_t>& data() { return *data_; }

private:
    static inline std::mutex mutex_;
    static inline std::vector<uint8_t> shared_;
    std::unique_lock<std::mutex> lock_;
    std::vector<uint8_t> own_;
    std::vector<uint8_t>* data_ = &own_;
};

// No C++ exception may leave an entry of the library: running out of
// memory becomes the interface's memory error, anything else a format
// error.
template <typename Body>
int Guarded(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kSpiNoMemory;
    } catch (const std::length_error&) {
        return kSpiNoMemory;
    } catch (...) {
        return kSpiCorrupt;
    }
}

}  // namespace

int ResultOf(codecs::DecodeStatus status) {
    switch (status) {
        case codecs::DecodeStatus::Ok: return kSpiOk;
        case codecs::DecodeStatus::NotThisFormat: return kSpiUnknownFormat;
        case codecs::DecodeStatus::Unsupported: return kSpiUnknownFormat;
        case codecs::DecodeStatus::TooLarge: return kSpiNoMemory;
        default: return kSpiCorrupt;
    }
}

bool AllocateDib(int width, int height, int bitCount, size_t colors, Dib& dib, size_t& stride) {
    if (width <= 0 || height <= 0 || (bitCount != 8 && bitCount != 24) || colors > 256) return false;
    // The pixel count against the limit, then the row stride and the image
    // in 64 bits, so that nothing here wraps a 32-bit size_t.
    size_t pixels = 0;
    if (!codecs::CheckedSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 1, pixels)) return false;
    const uint64_t rowBytes = ((uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(bitCount) + 31) / 32) * 4;
    const uint64_t total = rowBytes * static_cast<uint32_t>(height);
    if (total > 0x7FFFFFFF || total > SIZE_MAX) return false;
    const size_t imageBytes = static_cast<size_t>(total);
    stride = static_cast<size_t>(rowBytes);
    dib.header = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
    dib.bits = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, imageBytes);
    if (!dib.header || !dib.bits) {
        FreeDib(dib);
        return false;
    }
    auto* info = static_cast<BITMAPINFO*>(LocalLock(dib.header));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors);
    LocalUnlock(dib.header);
    return true;
}

void FreeDib(Dib& dib) {
    if (dib.header) LocalFree(dib.header);
    if (dib.bits) LocalFree(dib.bits);
    dib = Dib{};
}

bool MakeDib(const codecs::Picture& picture, Dib& dib) {
    const bool indexed = picture.bitsPerPixel == 8;
    const size_t colors = indexed ? picture.palette.size() : 0;
    size_t stride = 0;
    if (!AllocateDib(picture.width, picture.height, indexed ? 8 : 24, colors, dib, stride)) return false;
    const size_t w = static_cast<size_t>(picture.width), h = static_cast<size_t>(picture.height);
    const size_t rowBytes = w * (indexed ? 1 : 3);
    if (picture.pixels.size() < rowBytes * h) {
        FreeDib(dib);
        return false;
    }
    auto* info = static_cast<BITMAPINFO*>(LocalLock(dib.header));
    for (size_t i = 0; i < colors; ++i) {
        const uint32_t rgb = picture.palette[i];
        info->bmiColors[i] = RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0};
    }
    LocalUnlock(dib.header);
    auto* out = static_cast<uint8_t*>(LocalLock(dib.bits));
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* src = &picture.pixels[y * rowBytes];
        uint8_t* dst = out + (h - 1 - y) * stride;
        if (indexed) {
            std::memcpy(dst, src, rowBytes);
        } else {
            for (size_t x = 0; x < w; ++x) {
                dst[x * 3] = src[x * 3 + 2];
                dst[x * 3 + 1] = src[x * 3 + 1];
                dst[x * 3 + 2] = src[x * 3];
            }
        }
    }
    LocalUnlock(dib.bits);
    return true;
}

}  // namespace qaz::plugins

using namespace qaz;
using namespace qaz::plugins;

extern "C" {

int WINAPI GetPluginInfo(int number, LPSTR buf, int size) {
    if (number < 0 || number > 3 || !buf || size <= 0) return 0;
    const char* text = kFormat.info[number];
    const int n = static_cast<int>(std::strlen(text));
    const int copied = n < size - 1 ? n : size - 1;
    std::memcpy(buf, text, static_cast<size_t>(copied));
    buf[copied] = 0;
    return copied;
}

// dw is a file handle when its high bits are clear, otherwise the address
// of the file's first 2 KB.
int WINAPI IsSupported(LPSTR, ULONG_PTR dw) {
    uint8_t head[2048];
    size_t size = 0;
    if ((dw & ~ULONG_PTR{0xFFFF}) == 0) {
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(dw), head, sizeof head, &got, nullptr)) return 0;
        size = got;
    } else {
        std::memcpy(head, reinterpret_cast<const void*>(dw), sizeof head);
        size = sizeof head;
    }
    return Guarded([&]() -> int { return kFormat.isMine(head, size) ? 1 : 0; }) == 1 ? 1 : 0;
}

int WINAPI GetPictureInfo(LPSTR buf, LONG len, UINT flag, PictureInfo* info) {
    if (!info) return kSpiReadError;
    return Guarded([&]() -> int {
        InputBuffer buffer;
        std::vector<uint8_t>& data = buffer.data();
        int result = Input(buf, len, flag, data);
        if (result != kSpiOk) return result;
        if (kFormat.describe) return kFormat.describe(data.data(), data.size(), *info);
        codecs::Picture picture;
        result = kFormat.decode(data.data(), data.size(), picture);
        if (result != kSpiOk) return result;
        *info = PictureInfo{0, 0, picture.width, picture.height, picture.xDensity, picture.yDensity,
                            static_cast<SHORT>(picture.colorDepth), nullptr};
        return kSpiOk;
    });
}

int WINAPI GetPicture(LPSTR buf, LONG len, UINT flag, HANDLE* header, HANDLE* bits, FARPROC progress,
                      LONG_PTR data) {
    if (!header || !bits) return kSpiReadError;
    *header = *bits = nullptr;
    const auto report = reinterpret_cast<ProgressFn>(progress);
    if (report && report(0, 1, data)) return kSpiAborted;
    Dib dib;
    const int result = Guarded([&]() -> int {
        InputBuffer buffer;
        std::vector<uint8_t>& input = buffer.data();
        int read = Input(buf, len, flag, input);
        if (read != kSpiOk) return read;
        if (kFormat.decodeDib) return kFormat.decodeDib(input.data(), input.size(), dib);
        codecs::Picture picture;
        read = kFormat.decode(input.data(), input.size(), picture);
        if (read != kSpiOk) return read;
        return MakeDib(picture, dib) ? kSpiOk : kSpiNoMemory;
    });
    if (result != kSpiOk) {
        FreeDib(dib);
        return result;
    }
    if (report && report(1, 1, data)) {
        FreeDib(dib);
        return kSpiAborted;
    }
    *header = dib.header;
    *bits = dib.bits;
    return kSpiOk;
}

int WINAPI GetPreview(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR) { return kSpiNotImplemented; }

}  // extern "C"

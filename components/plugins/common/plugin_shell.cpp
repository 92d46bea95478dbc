#include "components/plugins/common/plugin_shell.h"

#include <cstring>
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
        if (!buf || len <= 0) return kSpiReadError;
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

int Decode(LPCSTR buf, LONG len, UINT flag, codecs::Picture& picture) {
    std::vector<uint8_t> data;
    const int read = ReadInput(buf, len, flag, data);
    if (read != kSpiOk) return read;
    if (!kFormat.isMine(data.data(), data.size())) return kSpiUnknownFormat;
    return kFormat.decode(data.data(), data.size(), picture);
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

bool MakeDib(const codecs::Picture& picture, HLOCAL* header, HLOCAL* bits) {
    const bool indexed = picture.bitsPerPixel == 8;
    const size_t colors = indexed ? picture.palette.size() : 0;
    const size_t w = static_cast<size_t>(picture.width), h = static_cast<size_t>(picture.height);
    const size_t stride = ((w * (indexed ? 8 : 24) + 31) / 32) * 4;
    HLOCAL head = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
    HLOCAL body = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, stride * h);
    if (!head || !body) {
        if (head) LocalFree(head);
        if (body) LocalFree(body);
        return false;
    }
    auto* info = static_cast<BITMAPINFO*>(LocalLock(head));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = picture.width;
    info->bmiHeader.biHeight = picture.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = indexed ? 8 : 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(stride * h);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors);
    for (size_t i = 0; i < colors; ++i) {
        const uint32_t rgb = picture.palette[i];
        info->bmiColors[i] = RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0};
    }
    LocalUnlock(head);
    auto* out = static_cast<uint8_t*>(LocalLock(body));
    const size_t rowBytes = w * (indexed ? 1 : 3);
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
    LocalUnlock(body);
    *header = head;
    *bits = body;
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
    return kFormat.isMine(head, size) ? 1 : 0;
}

int WINAPI GetPictureInfo(LPSTR buf, LONG len, UINT flag, PictureInfo* info) {
    if (!info) return kSpiReadError;
    qaz::codecs::Picture picture;
    const int result = Decode(buf, len, flag, picture);
    if (result != kSpiOk) return result;
    *info = PictureInfo{0, 0, picture.width, picture.height, picture.xDensity, picture.yDensity,
                           static_cast<SHORT>(picture.colorDepth), nullptr};
    return kSpiOk;
}

int WINAPI GetPicture(LPSTR buf, LONG len, UINT flag, HANDLE* header, HANDLE* bits, FARPROC progress,
                      LONG_PTR data) {
    if (!header || !bits) return kSpiReadError;
    *header = *bits = nullptr;
    const auto report = reinterpret_cast<ProgressFn>(progress);
    if (report && report(0, 1, data)) return kSpiAborted;
    qaz::codecs::Picture picture;
    const int result = Decode(buf, len, flag, picture);
    if (result != kSpiOk) return result;
    HLOCAL head = nullptr, body = nullptr;
    if (!MakeDib(picture, &head, &body)) return kSpiNoMemory;
    if (report && report(1, 1, data)) {
        LocalFree(head);
        LocalFree(body);
        return kSpiAborted;
    }
    *header = head;
    *bits = body;
    return kSpiOk;
}

int WINAPI GetPreview(LPSTR, LONG, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR) { return kSpiNotImplemented; }

}  // extern "C"

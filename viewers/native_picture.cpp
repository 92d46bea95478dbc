// The platform's own picture readers and the picture holder.
#include <utility>
#include <vector>

#include "base/gdi.h"
#include "core/file_kind.h"
#include "viewers/decode_picture.h"

namespace qaz {

namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr int kHundredthMmPerInch = 2540;

unsigned Word(const unsigned char* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); }
int SignedWord(const unsigned char* p) { return static_cast<short>(Word(p)); }

int ScreenPixelsPerInch() {
    const int ppi = GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX);
    return ppi > 0 ? ppi : 96;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(h, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size < 0x10000000;
    if (ok) {
        data.resize(size);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(h, data.data(), size, &got, nullptr) && got == size);
    }
    CloseHandle(h);
    return ok;
}

// The size in pixels of an enhanced metafile's frame (hundredths of a
// millimetre), zero when the frame is empty.
SIZE FrameSize(HENHMETAFILE metafile) {
    ENHMETAHEADER header = {};
    SIZE size = {0, 0};
    if (GetEnhMetaFileHeader(metafile, sizeof header, &header) == 0) return size;
    const int ppi = ScreenPixelsPerInch();
    size.cx = MulDiv(header.rclFrame.right - header.rclFrame.left, ppi, kHundredthMmPerInch);
    size.cy = MulDiv(header.rclFrame.bottom - header.rclFrame.top, ppi, kHundredthMmPerInch);
    return size;
}

bool LoadBitmapFile(const std::string& path, Picture& picture) {
    auto bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    picture.SetBitmap(bitmap);
    return picture.width() > 0 && picture.height() > 0;
}

bool LoadIconFile(const std::string& path, Picture& picture) {
    auto icon = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return false;
    ICONINFO info = {};
    int width = 0, height = 0;
    if (GetIconInfo(icon, &info)) {
        BITMAP bm = {};
        if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bm, &bm)) {
            width = bm.bmWidth;
            height = bm.bmHeight;
        } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof bm, &bm)) {
            width = bm.bmWidth;
            height = bm.bmHeight / 2;  // the mask holds the AND and XOR halves
        }
        OwnedBitmap colour(info.hbmColor), mask(info.hbmMask);  // GetIconInfo's copies
    }
    if (width <= 0 || height <= 0) {
        OwnedIcon refused(icon);
        return false;
    }
    picture.SetIcon(icon, width, height);
    return true;
}

bool LoadWindowsMetafile(const std::string& path, Picture& picture) {
    std::vector<unsigned char> data;
    if (!ReadWholeFile(path, data)) return false;
    PlaceableHeader header;
    HENHMETAFILE metafile = nullptr;
    SIZE size = {0, 0};
    if (ReadPlaceableHeader(data.data(), data.size(), header)) {
        if (data.size() <= kPlaceableHeaderSize) return false;
        const int ppi = ScreenPixelsPerInch();
        const int width = header.right - header.left, height = header.bottom - header.top;
        METAFILEPICT mfp = {};
        mfp.mm = MM_ANISOTROPIC;
        mfp.xExt = MulDiv(width, kHundredthMmPerInch, header.unitsPerInch);
        mfp.yExt = MulDiv(height, kHundredthMmPerInch, header.unitsPerInch);
        metafile = SetWinMetaFileBits(static_cast<UINT>(data.size() - kPlaceableHeaderSize),
                                      data.data() + kPlaceableHeaderSize, nullptr, &mfp);
        size.cx = MulDiv(width, ppi, header.unitsPerInch);
        size.cy = MulDiv(height, ppi, header.unitsPerInch);
    } else {
        // A bare metafile: its size is what the conversion makes of it.
        if (data.size() < 18) return false;
        metafile = SetWinMetaFileBits(static_cast<UINT>(data.size()), data.data(), nullptr, nullptr);
        if (metafile) size = FrameSize(metafile);
    }
    if (!metafile) return false;
    if (size.cx <= 0 || size.cy <= 0) {
        DeleteEnhMetaFile(metafile);
        return false;
    }
    picture.SetMetafile(metafile, size.cx, size.cy);
    return true;
}

bool LoadEnhancedMetafile(const std::string& path, Picture& picture) {
    HENHMETAFILE metafile = GetEnhMetaFileA(path.c_str());
    if (!metafile) return false;
    const SIZE size = FrameSize(metafile);
    if (size.cx <= 0 || size.cy <= 0) {
        DeleteEnhMetaFile(metafile);
        return false;
    }
    picture.SetMetafile(metafile, size.cx, size.cy);
    return true;
}

}  // namespace

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Reset();
        type_ = std::exchange(other.type_, Type::None);
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        icon_ = std::exchange(other.icon_, nullptr);
        metafile_ = std::exchange(other.metafile_, nullptr);
        palette_ = std::exchange(other.palette_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

void Picture::SetBitmap(HBITMAP bitmap) {
    Reset();
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    type_ = Type::Bitmap;
    bitmap_ = bitmap;
    width_ = bm.bmWidth;
    height_ = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
}

void Picture::SetIcon(HICON icon, int width, int height) {
    Reset();
    type_ = Type::Icon;
    icon_ = icon;
    width_ = width;
    height_ = height;
}

void Picture::SetMetafile(HENHMETAFILE metafile, int width, int height) {
    Reset();
    type_ = Type::Metafile;
    metafile_ = metafile;
    width_ = width;
    height_ = height;
}

void Picture::Reset() {
    if (bitmap_) DeleteObject(bitmap_);
    if (icon_) DestroyIcon(icon_);
    if (metafile_) DeleteEnhMetaFile(metafile_);
    if (palette_) DeleteObject(palette_);
    palette_ = nullptr;
    bitmap_ = nullptr;
    icon_ = nullptr;
    metafile_ = nullptr;
    type_ = Type::None;
    width_ = height_ = 0;
}

void Picture::SetPalette(HPALETTE palette) {
    if (palette_) DeleteObject(palette_);
    palette_ = palette;
}

void Picture::Draw(HDC dc, int x, int y) const {
    HPALETTE oldPalette = nullptr;
    if (palette_) {
        oldPalette = SelectPalette(dc, palette_, FALSE);
        RealizePalette(dc);
    }
    switch (type_) {
        case Type::Bitmap: {
            MemoryDc source(dc);
            Selected selection(source.get(), bitmap_);
            BitBlt(dc, x, y, width_, height_, source.get(), 0, 0, SRCCOPY);
            break;
        }
        case Type::Icon: DrawIconEx(dc, x, y, icon_, width_, height_, 0, nullptr, DI_NORMAL); break;
        case Type::Metafile: {
            RECT r = {x, y, x + width_, y + height_};
            PlayEnhMetaFile(dc, metafile_, &r);
            break;
        }
        case Type::None: break;
    }
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
}

bool Picture::CopyToClipboard(HWND owner) const {
    if (empty() || !OpenClipboard(owner)) return false;
    EmptyClipboard();
    bool ok = false;
    if (type_ == Type::Metafile) {
        HENHMETAFILE copy = CopyEnhMetaFileA(metafile_, nullptr);
        ok = copy && SetClipboardData(CF_ENHMETAFILE, copy);
        if (!ok && copy) DeleteEnhMetaFile(copy);
    } else {
        // Bitmaps and icons go as a bitmap of the picture on the window
        // colour.
        OwnedBitmap copy(CreateCompatibleBitmap(WindowDc(nullptr).get(), width_, height_));
        if (copy) {
            MemoryDc memory;
            Selected selection(memory.get(), copy.get());
            RECT r = {0, 0, width_, height_};
            FillRect(memory.get(), &r, GetSysColorBrush(COLOR_WINDOW));
            Draw(memory.get(), 0, 0);
        }
        // The clipboard owns what it took.
        ok = copy && SetClipboardData(CF_BITMAP, copy.get());
        if (ok) copy.Release();
    }
    CloseClipboard();
    return ok;
}

bool ReadPlaceableHeader(const unsigned char* data, size_t size, PlaceableHeader& header) {
    if (!data || size < kPlaceableHeaderSize) return false;
    const DWORD key = Word(data) | (static_cast<DWORD>(Word(data + 2)) << 16);
    if (key != kPlaceableKey) return false;
    header.left = SignedWord(data + 6);
    header.top = SignedWord(data + 8);
    header.right = SignedWord(data + 10);
    header.bottom = SignedWord(data + 12);
    header.unitsPerInch = static_cast<int>(Word(data + 14));
    return header.unitsPerInch > 0 && header.right > header.left && header.bottom > header.top;
}

bool LoadNativePicture(const std::string& path, Picture& picture) {
    const std::string ext = UpperExtension(path);
    if (ext == ".BMP") return LoadBitmapFile(path, picture);
    if (ext == ".ICO") return LoadIconFile(path, picture);
    if (ext == ".WMF") return LoadWindowsMetafile(path, picture);
    if (ext == ".EMF") return LoadEnhancedMetafile(path, picture);
    return false;
}

}  // namespace qaz

// A decoded picture and the readers that fill it: the platform's own for
// bitmaps, icons and metafiles, picture plug-ins for the other kinds.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "archive/library_binding.h"

namespace qaz {

// One picture: a bitmap, an icon or an enhanced metafile, with its size in
// screen pixels. Owns its handle.
class Picture {
public:
    enum class Type { None, Bitmap, Icon, Metafile };

    Picture() = default;
    ~Picture() { Reset(); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept { *this = std::move(other); }
    Picture& operator=(Picture&& other) noexcept;

    void SetBitmap(HBITMAP bitmap);
    void SetIcon(HICON icon, int width, int height);
    void SetMetafile(HENHMETAFILE metafile, int width, int height);
    // The palette the picture is drawn with on a 256-colour screen; owned.
    void SetPalette(HPALETTE palette);
    void Reset();

    Type type() const { return type_; }
    bool empty() const { return type_ == Type::None; }
    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP bitmap() const { return bitmap_; }

    // Draws the picture at its own size with its top left corner at x, y.
    void Draw(HDC dc, int x, int y) const;
    // Puts a copy on the clipboard: bitmaps and icons as a bitmap,
    // metafiles as an enhanced metafile. False when the clipboard refused.
    bool CopyToClipboard(HWND owner) const;

private:
    Type type_ = Type::None;
    HBITMAP bitmap_ = nullptr;
    HICON icon_ = nullptr;
    HENHMETAFILE metafile_ = nullptr;
    HPALETTE palette_ = nullptr;
    int width_ = 0, height_ = 0;
};

// The header that a placeable Windows metafile carries before the
// metafile itself.
struct PlaceableHeader {
    int left = 0, top = 0, right = 0, bottom = 0;
    int unitsPerInch = 0;
};
constexpr size_t kPlaceableHeaderSize = 22;
// Reads a placeable header from the start of a file; false when the data
// does not start with one or its frame is empty.
bool ReadPlaceableHeader(const unsigned char* data, size_t size, PlaceableHeader& header);

// Reads ".BMP", ".ICO", ".WMF" (placeable or not) and ".EMF" files with the
// platform's readers, chosen by the extension. False when the reader
// rejects the file.
bool LoadNativePicture(const std::string& path, Picture& picture);

// Decodes the file of a picture kind: 0 native, 1 to 8 through the bound
// picture plug-in. False when the file could not be decoded.
bool DecodePicture(int kind, const std::string& path, const LibraryBinding& binding, Picture& picture);

}  // namespace qaz

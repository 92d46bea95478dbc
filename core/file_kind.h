// File kinds: the one code that says what a file is, by its extension. It
// also indexes the table of outside libraries.
#pragma once
#include <string>

namespace qaz {

enum FileKind : int {
    kindScreenSaver = -3,
    kindMedia = -2,
    kindUnknown = -1,
    kindNativePicture = 0,
    // Pictures read through a plug-in.
    kindJpeg = 1,
    kindGif = 2,
    kindTiff = 3,
    kindPic = 4,
    kindPic2 = 5,
    kindMag = 6,
    kindXld4 = 7,
    kindPi = 8,
    // Archives, and single compressed files.
    kindLzh = 9,
    kindZip = 10,
    kindArj = 11,
    kindCab = 12,
    kindIsh = 13,
    kindTar = 14,
    kindCompressed = 15,
};

constexpr int kFirstPluginKind = kindJpeg;
constexpr int kLastPluginKind = kindPi;
constexpr int kFirstArchiveKind = kindLzh;
constexpr int kLastLibraryKind = kindCompressed;

inline bool IsPluginKind(int kind) { return kind >= kFirstPluginKind && kind <= kLastPluginKind; }
inline bool IsArchiveKind(int kind) { return kind >= kFirstArchiveKind && kind <= kLastLibraryKind; }
// Archives whose entries can be listed for the user to choose from.
inline bool IsListableKind(int kind) {
    return kind == kindLzh || kind == kindArj || kind == kindCab || kind == kindTar;
}

// The extensions that the view filter admits, each followed by a comma.
constexpr const char* kViewExtensions =
    ".BMP,.ICO,.WMF,.EMF,.JPG,.JPE,.JPEG,.GIF,.TIF,.PIC,.P2,.MAG,.Q4,.PI,.AVI,.WAV,.MID,.SCR,";

struct Classification {
    int kind = kindUnknown;
    int innerKind = 0;        // .Z and .GZ: kindTar when a tar is inside, else kindCompressed
    int pictureSubKind = -1;  // 0 bitmap, 1 icon or metafile, -1 not a native picture
};

// The extension with its dot, ASCII letters upper-cased; empty when none.
std::string UpperExtension(const std::string& name);
// The kind of a name by its extension alone.
Classification ClassifyName(const std::string& name);
// True when the name's extension is one of (or a part of) the view list.
bool PassesViewFilter(const std::string& name);

}  // namespace qaz

// File kinds by extension, the view filter, and classification with the
// binding of the library a kind needs.
#pragma once
#include <string>

namespace qaz {

class BarWindow;

enum FileKind : int {
    kindScreenSaver = -3,
    kindMedia = -2,
    kindUnknown = -1,
    kindNativePicture = 0,
    // 1 to 8: pictures read through a plug-in
    kindLzh = 9,
    kindZip = 10,
    kindArj = 11,
    kindCab = 12,
    kindIsh = 13,
    kindTar = 14,
    kindCompressed = 15,
};

// The name a packer is bound through.
constexpr const char* kPackModeName = "[packmode]";

// The extensions that the view filter admits, each followed by a comma.
constexpr const char* kViewExtensions =
    ".BMP,.ICO,.WMF,.EMF,.JPG,.JPE,.JPEG,.GIF,.TIF,.PIC,.P2,.MAG,.Q4,.PI,.AVI,.WAV,.MID,.SCR,";

struct Classification {
    int kind = kindUnknown;
    int innerKind = 0;        // .Z and .GZ: 14 when a tar is inside, else 15
    int pictureSubKind = -1;  // 0 bitmap, 1 icon or metafile, -1 not a native picture
};

// The extension with its dot, ASCII letters upper-cased; empty when none.
std::string UpperExtension(const std::string& name);
// The kind of a name by its extension alone.
Classification ClassifyName(const std::string& name);
// True when the name's extension is one of (or a part of) the view list.
bool PassesViewFilter(const std::string& name);

// Classifies the name and binds the library its kind needs. kind comes back
// as the file kind, or -1 when the library is missing. With archivesOnly
// only archives go on to binding. The name kPackModeName binds the library
// of the kind given on entry, always afresh.
void ClassifyAndBind(BarWindow& bar, const std::string& name, int& kind, bool archivesOnly);

}  // namespace qaz

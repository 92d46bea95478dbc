#include "viewers/decode_picture.h"

#include "archive/library_binding.h"
#include "viewers/plugin_picture.h"

namespace qaz {

bool DecodePicture(int kind, const std::string& path, Picture& picture) {
    if (kind == 0) return LoadNativePicture(path, picture);
    // Kinds 1 to 8 are read by the picture plug-in bound for the kind.
    if (BoundKind() != kind) return false;
    HDC screen = GetDC(nullptr);
    DecodedPicture decoded;
    const bool ok = DecodePluginPicture(kind, path, Entries().picture, Entries().pictureInfo, screen, decoded);
    ReleaseDC(nullptr, screen);
    if (!ok) return false;
    picture.SetBitmap(decoded.bitmap);
    picture.SetPalette(decoded.palette);
    return true;
}

}  // namespace qaz

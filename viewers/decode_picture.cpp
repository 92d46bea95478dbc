#include "viewers/decode_picture.h"

#include "base/gdi.h"
#include "core/file_kind.h"
#include "viewers/plugin_picture.h"

namespace qaz {

bool DecodePicture(int kind, const std::string& path, const LibraryBinding& binding, Picture& picture) {
    if (kind == kindNativePicture) return LoadNativePicture(path, picture);
    // The other kinds are read by the picture plug-in bound for the kind.
    if (binding.kind() != kind) return false;
    DecodedPicture decoded;
    WindowDc screen(nullptr);
    if (!DecodePluginPicture(kind, path, binding.entries().picture, binding.entries().pictureInfo, screen.get(),
                             decoded))
        return false;
    picture.SetBitmap(decoded.bitmap);
    picture.SetPalette(decoded.palette);
    return true;
}

}  // namespace qaz

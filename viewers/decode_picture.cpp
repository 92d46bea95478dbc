#include "viewers/decode_picture.h"

namespace qaz {

bool DecodePicture(int kind, const std::string& path, Picture& picture) {
    if (kind == 0) return LoadNativePicture(path, picture);
    // Kinds 1 to 8 are read by the picture plug-in bound for the kind; that
    // reader is not part of the program yet, so these files count as
    // unreadable.
    return false;
}

}  // namespace qaz

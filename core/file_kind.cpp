#include "core/file_kind.h"

#include <windows.h>

#include "base/path_parts.h"

namespace qaz {

namespace {

struct KindRow {
    const char* extension;
    int kind;
};

// Searched first, in this order.
const KindRow kArchiveTable[] = {
    {".LZH", kindLzh}, {".ZIP", kindZip}, {".ARJ", kindArj}, {".CAB", kindCab}, {".ISH", kindIsh},
    {".TAR", kindTar}, {".TGZ", kindTar}, {".TAZ", kindTar}, {".Z", kindTar},   {".GZ", kindTar},
};

const KindRow kViewTable[] = {
    {".BMP", kindNativePicture}, {".ICO", kindNativePicture}, {".WMF", kindNativePicture},
    {".EMF", kindNativePicture}, {".JPG", kindJpeg}, {".JPE", kindJpeg}, {".JPEG", kindJpeg},
    {".GIF", kindGif}, {".TIF", kindTiff}, {".PIC", kindPic}, {".P2", kindPic2}, {".MAG", kindMag},
    {".Q4", kindXld4}, {".PI", kindPi},
    {".AVI", kindMedia}, {".WAV", kindMedia}, {".MID", kindMedia}, {".SCR", kindScreenSaver},
};

}  // namespace

std::string UpperExtension(const std::string& name) {
    std::string ext = ExtensionOf(name);
    for (size_t i = 0; i < ext.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(ext[i]);
        if (IsDBCSLeadByte(c) && i + 1 < ext.size()) {
            ++i;  // a trail byte is no letter
            continue;
        }
        if (c >= 'a' && c <= 'z') ext[i] = static_cast<char>(c - 'a' + 'A');
    }
    return ext;
}

Classification ClassifyName(const std::string& name) {
    Classification c;
    const std::string ext = UpperExtension(name);
    for (const KindRow& row : kArchiveTable) {
        if (ext != row.extension) continue;
        c.kind = row.kind;
        if (ext == ".Z" || ext == ".GZ") {
            const std::string inner = UpperExtension(name.substr(0, name.size() - ext.size()));
            c.innerKind = inner == ".TAR" ? kindTar : kindCompressed;
        }
        return c;
    }
    for (const KindRow& row : kViewTable) {
        if (ext != row.extension) continue;
        c.kind = row.kind;
        if (ext == ".BMP")
            c.pictureSubKind = 0;
        else if (row.kind == kindNativePicture)
            c.pictureSubKind = 1;
        return c;
    }
    return c;
}

bool PassesViewFilter(const std::string& name) {
    const std::string ext = UpperExtension(name);
    return !ext.empty() && std::string(kViewExtensions).find(ext) != std::string::npos;
}

}  // namespace qaz

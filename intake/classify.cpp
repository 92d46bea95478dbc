#include "intake/classify.h"

#include <windows.h>

#include "app/bar_window.h"
#include "app/path_parts.h"
#include "archive/library_binding.h"

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
    {".EMF", kindNativePicture}, {".JPG", 1},  {".JPE", 1},  {".JPEG", 1},  {".GIF", 2},  {".TIF", 3},
    {".PIC", 4},  {".P2", 5},  {".MAG", 6},  {".Q4", 7},  {".PI", 8},
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

void ClassifyAndBind(BarWindow& bar, const std::string& name, int& kind, bool archivesOnly) {
    if (name == kPackModeName) {
        if (!BindLibrary(kind, true)) kind = kindUnknown;
        return;
    }
    const Classification c = ClassifyName(name);
    kind = c.kind;
    if (c.pictureSubKind >= 0) bar.state.PictureSubKind = c.pictureSubKind;
    if (archivesOnly && kind < kindLzh) return;

    if (bar.state.ScreenSaverPending) {
        // A key press ends the screen saver started for the previous entry.
        PostMessageA(reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)), WM_KEYDOWN, VK_SHIFT, 0);
        bar.state.ScreenSaverPending = false;
    }
    if (kind == kindScreenSaver) bar.state.ScreenSaverPending = true;
    if (kind < 1) return;

    if (!BindLibrary(kind, false)) {
        kind = kindUnknown;
        return;
    }
    if (c.innerKind) kind = c.innerKind;
}

}  // namespace qaz

#include "archive/library_binding.h"

#include <string>

#include "base/info_box.h"
#include "core/file_kind.h"

namespace qaz {

namespace {

struct LibraryRow {
    const char* file;
    const char* prefix;
};

// Indexed by file kind; single compressed files use the tar library.
const LibraryRow kLibraries[] = {
    {nullptr, nullptr},          {"ifjpeg.spi", nullptr},   {"ifgif.spi", nullptr},
    {"iftiff.spi", nullptr},     {"ifpic.spi", nullptr},    {"ifpic2.spi", nullptr},
    {"ifmag.spi", nullptr},      {"ifxld4.spi", nullptr},   {"ifpi.spi", nullptr},
    {"Unlha32.dll", "Unlha"},    {"Unzip32.dll", "UnZip"},  {"Unarj32j.dll", "Unarj"},
    {"Cab32.dll", "Cab"},        {"Ish32.dll", "Ish"},      {"Tar32.dll", "Tar"},
    {"Tar32.dll", "Tar"},
};

}  // namespace

const char* LibraryFileOf(int kind) { return kind >= 1 && kind <= kLastLibraryKind ? kLibraries[kind].file : nullptr; }

const char* EntryPrefixOf(int kind) { return IsArchiveKind(kind) ? kLibraries[kind].prefix : nullptr; }

bool LibraryBinding::Bind(int kindIn, bool packMode) {
    const int kind = kindIn == kindCompressed ? kindTar : kindIn;
    const char* file = LibraryFileOf(kind);
    if (!file) return false;
    if (!packMode && kind_ == kind && library_) return true;
    Unbind();
    if (!library_.Load(file)) {
        InfoBox(std::string(file) + " がありません");
        return false;
    }
    kind_ = kind;
    EntrySlots& s = slots_;
    if (IsArchiveKind(kind)) {
        const std::string prefix = EntryPrefixOf(kind);
        if (kind == kindIsh)
            s.ishCommand = library_.Entry<IshCommandFn>(prefix);
        else
            s.command = library_.Entry<ArcCommandFn>(prefix);
        s.check = library_.Entry<ArcCheckFn>(prefix + "CheckArchive");
        s.running = library_.Entry<ArcRunningFn>(prefix + "GetRunning");
        s.open = library_.Entry<ArcOpenFn>(prefix + "OpenArchive");
        s.close = library_.Entry<ArcCloseFn>(prefix + "CloseArchive");
        s.findFirst = library_.Entry<ArcFindFirstFn>(prefix + "FindFirst");
        s.findNext = library_.Entry<ArcFindNextFn>(prefix + "FindNext");
    } else {
        // Only the plug-ins of the formats that carry pixel densities are
        // asked for the picture's information.
        if (kind == kindJpeg || kind == kindPic || kind == kindPic2)
            s.pictureInfo = library_.Entry<GetPictureInfoFn>("GetPictureInfo");
        s.picture = library_.Entry<GetPictureFn>("GetPicture");
    }
    return true;
}

void LibraryBinding::Unbind() {
    // The slots go first, so that none ever points into a released library.
    slots_ = EntrySlots();
    kind_ = 0;
    library_.Free();
}

void LibraryBinding::WaitWhileRunning() const {
    const ArcRunningFn running = slots_.running;
    if (!running) return;
    // The archivers run their commands on threads of their own; give them
    // the processor while waiting.
    while (running() & 0xFF) Sleep(1);
}

}  // namespace qaz

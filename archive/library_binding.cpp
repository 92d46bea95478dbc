#include "archive/library_binding.h"

#include <string>

#include "app/info_box.h"

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

// A loaded library, released when replaced or dropped.
class Library {
public:
    ~Library() { Free(); }
    void Attach(HMODULE module) {
        Free();
        module_ = module;
    }
    void Free() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    HMODULE get() const { return module_; }
    template <class Fn>
    Fn Entry(const std::string& name) const {
        return reinterpret_cast<Fn>(GetProcAddress(module_, name.c_str()));
    }

private:
    HMODULE module_ = nullptr;
};

struct Binding {
    Library library;
    int kind = 0;
    EntrySlots slots;
};

Binding& TheBinding() {
    static Binding binding;
    return binding;
}

}  // namespace

const char* LibraryFileOf(int kind) {
    return kind >= 1 && kind <= kCompressedKind ? kLibraries[kind].file : nullptr;
}

const char* EntryPrefixOf(int kind) {
    return kind >= kFirstArchiveKind && kind <= kCompressedKind ? kLibraries[kind].prefix : nullptr;
}

bool BindLibrary(int kindIn, bool packMode) {
    const int kind = kindIn == kCompressedKind ? kTarKind : kindIn;
    const char* file = LibraryFileOf(kind);
    if (!file) return false;
    Binding& b = TheBinding();
    if (!packMode && b.kind == kind && b.library.get()) return true;
    UnbindLibrary();
    HMODULE module = LoadLibraryA(file);
    if (!module) {
        InfoBox(std::string(file) + " がありません");
        return false;
    }
    b.library.Attach(module);
    b.kind = kind;
    EntrySlots& s = b.slots;
    if (kind >= kFirstArchiveKind) {
        const std::string prefix = EntryPrefixOf(kind);
        if (kind == kIshKind)
            s.ishCommand = b.library.Entry<IshCommandFn>(prefix);
        else
            s.command = b.library.Entry<ArcCommandFn>(prefix);
        s.check = b.library.Entry<ArcCheckFn>(prefix + "CheckArchive");
        s.running = b.library.Entry<ArcRunningFn>(prefix + "GetRunning");
        s.open = b.library.Entry<ArcOpenFn>(prefix + "OpenArchive");
        s.close = b.library.Entry<ArcCloseFn>(prefix + "CloseArchive");
        s.findFirst = b.library.Entry<ArcFindFirstFn>(prefix + "FindFirst");
        s.findNext = b.library.Entry<ArcFindNextFn>(prefix + "FindNext");
    } else {
        if (kind == 1 || kind == 4 || kind == 5)
            s.pictureInfo = b.library.Entry<GetPictureInfoFn>(std::string("GetPicture") + "Info");
        s.picture = b.library.Entry<GetPictureFn>("GetPicture");
    }
    return true;
}

void UnbindLibrary() {
    Binding& b = TheBinding();
    // The slots go first, so that none ever points into a released library.
    b.slots = EntrySlots();
    b.kind = 0;
    b.library.Free();
}

int BoundKind() { return TheBinding().kind; }

HMODULE BoundModule() { return TheBinding().library.get(); }

const EntrySlots& Entries() { return TheBinding().slots; }

void WaitWhileRunning() {
    const ArcRunningFn running = Entries().running;
    if (!running) return;
    // The archivers run their commands on threads of their own; give them
    // the processor while waiting.
    while (running() & 0xFF) Sleep(1);
}

}  // namespace qaz

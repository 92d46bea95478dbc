// Where an extraction writes: every entry path is checked before anything
// is made, folders are made step by step inside the destination, and each
// file is written under a temporary name (in a staging folder of the
// target's own inside the destination) and renamed only when it is
// complete, so a damaged archive never leaves a partial file under an
// entry's name. Writes are gathered into large blocks, and
// the free space is read once and counted down by what is written; it is
// read again before a file is refused for want of room. Link entries are
// made last, as copies written the same way, once every file is there.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/codecs/entry_path.h"
#include "components/codecs/stream.h"

namespace qaz::archivers {

class CommandProgress;

// Once the user has cancelled the command, nothing more is begun or
// written: the file being written is dropped, those already complete stay.
class ExtractTarget : public codecs::ByteSink {
public:
    // The destination folder (with or without its final "\"; empty means
    // the current folder); made when it does not exist.
    // budget caps what this extraction may write in all, below the room
    // on the disk.
    explicit ExtractTarget(const std::string& destination, uint64_t budget = UINT64_MAX);
    ~ExtractTarget() override;
    ExtractTarget(const ExtractTarget&) = delete;
    ExtractTarget& operator=(const ExtractTarget&) = delete;

    bool ready() const { return ready_; }
    const std::string& folder() const { return folder_; }

    // The entry's path made relative and safe, or the reason it is refused.
    codecs::PathVerdict Check(const std::string& entryPath, std::string& relative) const;
    // Makes a folder (and those above it) below the destination. False when
    // a step cannot be made or is a link or junction that could lead out.
    bool MakeFolder(const std::string& relative);

    // Starts a file of the declared size: kOk, kErrorDiskSpace when it would
    // not fit on the disk, kErrorCannotWrite otherwise. Writes fail beyond
    // the free space that was there (less what this target wrote since).
    int BeginFile(const std::string& relative, uint64_t declaredSize);
    bool Write(const uint8_t* data, size_t size) override;
    // Completes the file: sets its time and puts it under its final name.
    int CommitFile(const FILETIME* modified);
    // Drops the file being written.
    void AbortFile();

    // Held: from now on CommitFile leaves files under their temporary names,
    // for an archive whose check value comes only at its end. Publish gives
    // them their names; DiscardHeld (and the destructor) removes them.
    void HoldFiles() { hold_ = true; }
    int Publish();
    void DiscardHeld();

    // A link entry, made by MakeLinks as a copy of the file it names.
    // target is a symbolic link's text (from the link's folder), or with
    // fromTop a hard link's path from the archive's top. Refused at once
    // (kErrorRefused) when it leads outside the destination.
    int AddLink(const std::string& name, const std::string& relative, const std::string& target, bool fromTop);
    // Makes the queued links, each written and counted like a file; one
    // report line per link. kOk or the first error's result.
    int MakeLinks(std::string& report);

    std::string FullPath(const std::string& relative) const { return folder_ + relative; }

private:
    bool Flush();
    bool CreateTemp(const std::string& beside);
    int GiveBack();
    void CloseHeld();
    int CopyInside(const std::string& relative, const std::string& inside);

    struct Link {
        std::string name, relative, inside;
    };
    struct Held {
        std::string temp, final;
        HANDLE file;          // still open, or INVALID_HANDLE_VALUE
        bool failed = false;  // its closing failed: it is incomplete
    };

    std::string folder_;  // ends with "\"
    bool ready_ = false;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string temp_, final_;
    std::string madeFolder_;        // the last folder made and checked, relative
    bool roomKnown_ = false;
    uint64_t room_ = 0;             // bytes the files may still take
    uint64_t fileBytes_ = 0;        // taken by the file being written
    std::vector<uint8_t> buffer_;   // written bytes not yet passed to the file
    size_t buffered_ = 0;
    uint64_t budget_;               // what the caller still allows to be written
    bool hold_ = false;
    std::vector<Held> held_;
    size_t heldOpen_ = 0;           // held files whose handles are open
    std::vector<Link> links_;
    std::vector<std::string> staging_;  // folders of temporary files, each ending with "\"
    size_t staged_ = 0;                 // held files in the last of them
    bool stagingFailed_ = false;
    CommandProgress* progress_;     // of the command that extracts, or nullptr
};

// How many bytes a file collects before they go to the disk.
constexpr size_t kWriteBlock = 1u << 20;

// Held files kept open until they are published (beyond these, each is
// closed and opened again to take its name).
constexpr size_t kHeldOpen = 4096;

// Held files a staging folder takes before the next one is begun.
constexpr size_t kStagedPerFolder = 256;

// Free bytes we leave on a disk: an entry must fit with this much to spare.
constexpr uint64_t kDiskReserve = 8u << 20;

}  // namespace qaz::archivers

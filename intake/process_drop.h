// Reading dropped and command-line names into the bar's drop list.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "archive/drop_context.h"

namespace qaz {

// Each name is read into a buffer of this size: longer names are cut.
constexpr UINT kNameBufferSize = 577;

// Where the names of one drop come from: a shell drop, or the parameters of
// the command line (which are not released like a shell drop).
struct DropSource {
    HDROP drop = nullptr;
    const std::vector<std::string>* params = nullptr;

    static DropSource Shell(HDROP d) { return DropSource{d, nullptr}; }
    static DropSource CommandLine(const std::vector<std::string>& p) { return DropSource{nullptr, &p}; }
    bool fromCommandLine() const { return params != nullptr; }
};

// Takes the names of the drop, chooses what to do with them, and fills the
// drop queue with the files to show; sets its count and pending flag.
void ProcessDrop(DropContext& context, const DropSource& source);

// A command-line parameter as a name: without its surrounding double
// quotes, cut to the name buffer.
std::string NameFromParam(const std::string& param);
// A command-line name made absolute against the current folder (a bare
// "a.lzh" names the file there, not one at the drive's root), cut to the
// name buffer.
std::string AbsoluteName(const std::string& name);
// The name cut to fit the name buffer, never inside a double-byte character.
std::string CutToNameBuffer(const std::string& name);

}  // namespace qaz

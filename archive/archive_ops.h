// Listing and extracting archives through the bound archiver library.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archive/drop_context.h"
#include "archive/entry_info.h"

namespace qaz {

// Reads the entries of an archive with the bound library: false when the
// library lacks an entry it needs, refuses the file or cannot open it.
bool ReadArchiveEntries(const LibraryBinding& binding, HWND window, const std::string& archive, int kind,
                        std::vector<ArchiveEntry>& entries);

// Extracts an archive of the kind next to itself (or into the target
// folder), or into the work folder for viewing. An archive the library
// refuses is reported as an invalid file.
void ExtractArchive(DropContext& context, const std::string& archive, const char* listFile, int kind,
                    bool intoWorkFolder);

}  // namespace qaz

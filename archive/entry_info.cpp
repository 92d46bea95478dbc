#include "archive/entry_info.h"

#include <cstring>

#include "base/path_parts.h"

namespace qaz {

namespace {

std::string BoundedText(const char* field, size_t width) {
    const void* end = std::memchr(field, '\0', width);
    return std::string(field, end ? static_cast<const char*>(end) - field : width);
}

}  // namespace

bool ArchiveEntry::isFolder() const {
    return !path.empty() && LastDelimiter(path, "\\/") == path.size() - 1;
}

ArchiveEntry ReadEntryInfo(const ArchiveEntryInfo& info) {
    ArchiveEntry e;
    e.originalSize = info.originalSize;
    e.ratio = info.ratio;
    e.date = info.date;
    e.time = info.time;
    e.path = BoundedText(info.path, sizeof info.path);
    e.method = BoundedText(info.method, sizeof info.method);
    return e;
}

}  // namespace qaz

#include "archive/contents_rows.h"

#include <cstdint>
#include <cstdio>

#include "base/path_parts.h"

namespace qaz {

ContentsRow RowOf(const ArchiveEntry& e) {
    ContentsRow row;
    // The name follows the last "\", or failing that the last "/".
    size_t cut = LastDelimiter(e.path, "\\");
    if (cut == std::string::npos) cut = LastDelimiter(e.path, "/");
    row.name = cut == std::string::npos ? e.path : e.path.substr(cut + 1);
    row.folder = cut == std::string::npos ? std::string() : e.path.substr(0, cut);
    row.size = std::to_string(static_cast<int32_t>(e.originalSize));
    char text[32];
    std::snprintf(text, sizeof text, "%3.1f%%", e.ratio * 0.1);
    row.ratio = text;
    std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", (e.date >> 9) + 1980u, (e.date >> 5) & 15u,
                  e.date & 31u, e.time >> 11, (e.time >> 5) & 63u, (e.time & 31u) * 2);
    row.date = text;
    row.type = e.method;
    return row;
}

}  // namespace qaz

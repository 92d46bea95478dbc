// The report our archiver libraries hand back after a command: one line per
// event, "name: what" ending in CR LF. Its own file, so that code which
// reports (extraction, the self-extracting program) needs nothing else of
// the library shell.
#pragma once
#include <string>

namespace qaz::archivers {

std::string ReportLine(const std::string& name, const char* what);

}  // namespace qaz::archivers

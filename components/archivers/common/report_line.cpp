#include "components/archivers/common/report_line.h"

namespace qaz::archivers {

std::string ReportLine(const std::string& name, const char* what) { return name + ": " + what + "\r\n"; }

}  // namespace qaz::archivers

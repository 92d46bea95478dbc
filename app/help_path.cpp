#include "app/help_path.h"

#include "base/path_parts.h"

namespace qaz {

std::string HelpFilePath(const std::string& programPath) {
    return programPath.substr(0, programPath.rfind('\\') + 1) + "qaz.hlp";
}

}  // namespace qaz

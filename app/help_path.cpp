#include "app/help_path.h"

#include "base/path_parts.h"

namespace qaz {

std::string HelpFilePath(const std::string& programPath) {
    return AddBackslash(ParentOf(programPath)) + "qaz.hlp";
}

}  // namespace qaz

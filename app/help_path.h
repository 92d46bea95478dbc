// Where the help file lies.
#pragma once
#include <string>

namespace qaz {

// "qaz.hlp" in the folder of the program at the given path.
std::string HelpFilePath(const std::string& programPath);

}  // namespace qaz

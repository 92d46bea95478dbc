// Where the user's things are.
#pragma once
#include <string>

namespace qaz {

// The logged-on user's name; empty when it cannot be had.
std::string UserName();
// The user's temporary folder with its trailing backslash; empty on failure.
std::string TempPath();
// The work folder for files extracted for viewing: TempPath + "~qaz".
std::string WorkFolderPath();
// The full path of the running program.
std::string ProgramPath();

}  // namespace qaz

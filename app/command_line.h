// The command line cut into its parameters.
#pragma once
#include <string>
#include <vector>

namespace qaz {

// Cuts a command line into its words, the program's name first. Blanks
// (spaces and tabs) separate words, double quotes group blanks into a word
// and are dropped, and a backslash is an ordinary character, so "C:\dir\"
// is the folder C:\dir\. Double-byte characters are kept whole.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace qaz

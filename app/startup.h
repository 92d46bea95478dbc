// The process entry: the single-instance rule and the bar's life.
#pragma once
#include <string>
#include <vector>

namespace qaz {

constexpr const char* kInstanceMutex = "JX_QAZMutex";

// The command-line parameters 1 to n; quoted ones without their quotes.
// A backslash before a quote is an ordinary character.
std::vector<std::string> CommandLineParams();

// Runs the program: returns the process exit code.
int RunProgram(const std::vector<std::string>& params);

}  // namespace qaz

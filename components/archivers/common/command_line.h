// Splitting archiver command lines and reading their "@" list files.
#pragma once
#include <string>
#include <vector>

namespace qaz::archivers {

// Splits at blanks and tabs; double quotes group (and are removed), so
// "C:\My Files\a.tgz" is one argument. Double-byte characters are kept
// whole. An unclosed quote runs to the end.
std::vector<std::string> SplitCommandLine(const std::string& line);

// The items of a list file: one per line, each line split as a command
// line; the first word is the item, later words (options such as "-d1")
// are dropped. Empty lines are skipped. False when the file cannot be read.
bool ReadListFile(const std::string& path, std::vector<std::string>& items);

// Whether a name matches a pattern with "*" and "?" (ASCII letters compared
// without case, "/" and "\" alike). "*.*" matches every name, also one
// without a dot. A pattern without a separator is matched against the last
// part of the name only.
bool MatchesPattern(const std::string& pattern, const std::string& name);

// The arguments after the archive: the destination folder (the first one
// that ends in a separator), and the patterns, with "@file" arguments
// replaced by the items of their files. False when a list file cannot be read.
struct Targets {
    std::string destination;            // empty: the current folder
    std::vector<std::string> patterns;  // empty: everything, unless a list file was given
    bool listFile = false;              // an "@" list file was given (an empty one selects nothing)
};
bool SplitTargets(const std::vector<std::string>& args, size_t first, Targets& targets);

// Whether any pattern matches (or there are none and no list file was given).
bool Selected(const Targets& targets, const std::string& name);

// What the current command's selection met: BeginSelection starts a
// command; SelectionMissed then tells that names were given (on the
// command line or in a list), entries were looked at, and none matched.
void BeginSelection();
bool SelectionMissed();

}  // namespace qaz::archivers

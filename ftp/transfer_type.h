// Which files go as text: the extension rule and the order of type changes.
#pragma once
#include <string>

namespace qaz::ftp {

// The name a file gets on the server: the part of its local path after the
// last '\' or drive ':'.
std::string SentName(const std::string& localPath);

// The key looked up in the text-type list: the name's extension (from its
// last dot) without the dot, ASCII letters upper-cased, followed by ",".
// A name without a dot has the key ",".
std::string TypeKey(const std::string& name);

// True when the name's key occurs anywhere in the text-type list, as
// stored (a plain, case-sensitive substring search: "TML," is found inside
// "HTML,", and a list stored in lower case matches nothing).
bool IsTextFile(const std::string& name, const std::string& textTypes);

// The transfer type to set before each file: 0 for text, 3 for binary, or
// -1 when the mode of the file before it still holds.
class TypeSequence {
public:
    int Next(bool text);

private:
    int last_ = -1;
};

}  // namespace qaz::ftp

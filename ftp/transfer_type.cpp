#include "ftp/transfer_type.h"

#include <windows.h>

#include "base/path_parts.h"

namespace qaz::ftp {

std::string SentName(const std::string& localPath) { return LastComponent(localPath); }

std::string TypeKey(const std::string& name) {
    const size_t dot = LastDelimiter(name, ".");
    std::string key = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (size_t i = 0; i < key.size(); ++i) {
        const char c = key[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < key.size()) {
            ++i;  // the trail byte is no letter of its own
        } else if (c >= 'a' && c <= 'z') {
            key[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key + ",";
}

bool IsTextFile(const std::string& name, const std::string& textTypes) {
    return textTypes.find(TypeKey(name)) != std::string::npos;
}

int TypeSequence::Next(bool text) {
    const int type = text ? 0 : 3;
    if (type == last_) return -1;
    last_ = type;
    return type;
}

}  // namespace qaz::ftp

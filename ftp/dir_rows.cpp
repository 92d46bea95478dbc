#include "ftp/dir_rows.h"

#include <windows.h>

namespace qaz::ftp {

namespace {

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }

// Lower-cases the single-byte letters of a file name; double-byte
// characters are left as they are.
std::string LowerFileName(const std::string& name) {
    std::string out = name;
    for (size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < out.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace

std::string DisplayName(const std::string& name, const std::string& remotePath) {
    if (name.empty() || IsLowerAscii(name[0])) return name;
    if (name == "." && remotePath != "/") return "..";
    std::string out = LowerFileName(name);
    if (IsLowerAscii(out[0])) out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

std::string SizeText(int64_t size) {
    if (size <= 0) return "";
    if (size < 1024) return std::to_string(size);
    return std::to_string(size / 1024) + "KB";
}

std::string TypeText(const std::string& shellTypeName, const std::string& extension) {
    if (!shellTypeName.empty()) return shellTypeName;
    if (!extension.empty()) return extension.substr(1) + " File";
    return "File";
}

std::string NameExtension(const std::string& name) {
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size()) {
            ++i;
        } else if (name[i] == '.') {
            dot = i;
        }
    }
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

std::string RowCaption(const std::string& received, const std::string& remotePath) {
    const std::string trimmed = TrimBlanks(received);
    return trimmed.empty() ? received : DisplayName(trimmed, remotePath);
}

std::string ServerName(const std::string& received, const std::string& caption) {
    if (caption == "." || caption == "..") return caption;
    const std::string trimmed = TrimBlanks(received);
    return trimmed.empty() ? received : trimmed;
}

std::string NextRemotePath(const std::string& remotePath, const std::string& name) {
    if (name == ".") return remotePath;
    if (name == "..") {
        if (remotePath.size() <= 1) return remotePath;
        const size_t slash = remotePath.rfind('/', remotePath.size() - 2);
        return slash == std::string::npos ? std::string("/") : remotePath.substr(0, slash + 1);
    }
    return remotePath + name + "/";
}

}  // namespace qaz::ftp

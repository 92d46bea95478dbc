#include "components/archivers/common/pack_items.h"

#include <set>

#include "components/archivers/common/command_progress.h"
#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

bool EndsWithAllFiles(const std::string& s) {
    return s.size() >= 4 && (s.compare(s.size() - 4, 4, "\\*.*") == 0 || s.compare(s.size() - 4, 4, "/*.*") == 0);
}

class Walker {
public:
    Walker(std::vector<PackItem>& out) : out_(out) {}

    void Add(const std::string& source, const std::string& stored, const WIN32_FIND_DATAA& data) {
        if (!seen_.insert(stored).second) return;
        PackItem item;
        item.path = stored;
        item.source = source;
        item.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        item.modified = data.ftLastWriteTime;
        out_.push_back(item);
        if (item.isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) Contents(source, stored);
    }

    void Contents(const std::string& folder, const std::string& stored) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            Add(folder + "\\" + name, stored.empty() ? name : stored + "\\" + name, data);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }

private:
    std::vector<PackItem>& out_;
    std::set<std::string> seen_;
};

}  // namespace

std::vector<PackItem> CollectPackItems(const std::vector<std::string>& names, std::vector<std::string>& missing) {
    std::vector<PackItem> items;
    Walker walker(items);
    for (std::string name : names) {
        const bool contentsOnly = EndsWithAllFiles(name);
        if (contentsOnly) name.resize(name.size() - 4);
        while (name.size() > 1 && EndsInSeparator(name) && name[name.size() - 2] != ':')
            name.pop_back();
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(name.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            missing.push_back(name);
            continue;
        }
        FindClose(find);
        // A full path stores its last part only; a relative one as given.
        const bool full = name.find(':') != std::string::npos || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
        std::string stored = (full || name.find("..") != std::string::npos) ? name.substr(NameStart(name)) : name;
        for (char& c : stored)
            if (c == '/') c = '\\';
        while (stored.rfind(".\\", 0) == 0) stored.erase(0, 2);
        walker.Add(name, stored, data);  // "dir\*.*" brings the folder with its contents, as "dir" does
    }
    for (const PackItem& item : items) ProgressTotal(item.size);
    return items;
}

}  // namespace qaz::archivers

// Folder listings as servers send them for LIST: one entry a line, in the
// Unix "ls -l" form or the DOS form. The parser takes one line and no
// platform services, so it is tested and fuzzed on its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace ftpclient {

// What a listing entry tells: the values of the control's FTPDirItem.
enum Attributes : int {
    kAttrFolder = 1,
    kAttrFile = 2,
    kAttrLink = 4,
};

struct DirItem {
    std::string name;
    std::string date;       // as the server wrote it, blanks between parts made single
    int64_t size = 0;       // bytes; 0 when the line gives none
    int attributes = 0;     // one of Attributes
};

// Reads one line (without its line end). False for lines that are no entry
// ("total 12", blank lines, anything unreadable).
bool ParseListLine(const std::string& line, DirItem* item);

// Cuts a listing's byte stream into lines ("\r\n" or "\n"), at most
// kMaxLine bytes each (the rest of a longer line is dropped).
class LineSplitter {
public:
    static constexpr size_t kMaxLine = 4096;
    // Calls take(line) for each complete line in data.
    template <class Take>
    void Feed(const char* data, size_t size, Take take) {
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') {
                take(Finish());
            } else if (line_.size() < kMaxLine) {
                line_ += data[i];
            }
        }
    }
    // The last line when the stream ended without a line end.
    template <class Take>
    void End(Take take) {
        if (!line_.empty()) take(Finish());
    }

private:
    std::string Finish() {
        std::string line;
        line.swap(line_);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    std::string line_;
};

}  // namespace ftpclient

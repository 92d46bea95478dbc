// The test side of the stand-in libraries: a private folder that holds
// copies of the chosen ones and is searched for libraries, and the log
// they write.
#pragma once
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace qaztest {

class ProbeLibraries {
public:
    explicit ProbeLibraries(std::initializer_list<const char*> files) {
        folder_ = dir_.Folder("libs") + "\\";
        for (const char* file : files)
            CopyFileA((ExeFolder() + "probe\\" + file).c_str(), (folder_ + file).c_str(), FALSE);
        log_ = dir_.path() + "calls.log";
        SetEnvironmentVariableA("QAZ_PROBE_LOG", log_.c_str());
        SetDllDirectoryA(folder_.c_str());
    }
    ~ProbeLibraries() {
        SetDllDirectoryA(nullptr);
        SetEnvironmentVariableA("QAZ_PROBE_LOG", nullptr);
    }
    // The calls recorded so far, "<library file> <event>" each.
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    int Count(const std::string& call) const {
        const auto lines = Calls();
        return static_cast<int>(std::count(lines.begin(), lines.end(), call));
    }
    // The recorded calls without the polls of the running entry.
    std::vector<std::string> CallsWithoutPolls() const {
        std::vector<std::string> lines = Calls();
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.find(" running") != std::string::npos; }),
                    lines.end());
        return lines;
    }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string folder_;
    std::string log_;
};

}  // namespace qaztest

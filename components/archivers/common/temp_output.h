// A file written under a temporary name in the folder of its final name and
// put in place (replacing an older one) only by Commit, so that a packing
// that fails half way, or that the user cancels, leaves nothing under the
// final name.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "components/archivers/common/win_io.h"

namespace qaz::archivers {

class TempOutput {
public:
    explicit TempOutput(const std::string& finalPath);
    ~TempOutput();  // drops the file unless committed
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    bool ok() const { return file_ != INVALID_HANDLE_VALUE && !failed_; }
    bool Write(const void* data, size_t size);
    bool Commit();

private:
    std::string final_, temp_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool failed_ = false;
};

}  // namespace qaz::archivers

// Handing the drop list to the FTP upload library.
#pragma once
#include "core/drop_queue.h"

namespace qaz {

constexpr const char* kFtpLibrary = "qaz_ftp.dll";

// Loads the FTP library and lets it upload the files of the drop queue;
// returns when its upload window has closed.
void SendByFtp(const DropQueue& queue);

}  // namespace qaz

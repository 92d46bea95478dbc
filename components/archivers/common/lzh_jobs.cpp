#include "components/archivers/common/lzh_jobs.h"

#include "components/archivers/common/win_io.h"

namespace qaz::archivers {

bool WalkLzh(const uint8_t* data, size_t size, size_t start, std::vector<codecs::LzhEntry>& entries) {
    for (size_t at = start;;) {
        codecs::LzhEntry e;
        const codecs::LzhHeaderStatus st = codecs::ReadLzhHeader(data, size, at, e);
        if (st == codecs::LzhHeaderStatus::End) return true;
        if (st != codecs::LzhHeaderStatus::Ok) return false;
        at = e.nextOffset;
        entries.push_back(std::move(e));
    }
}

void LzhTimes(const codecs::LzhEntry& e, uint16_t& date, uint16_t& time, FILETIME& ft) {
    if (e.hasUnixTime) {
        LocalDosTimeOfUnix(e.unixTime, date, time);
        ft = FileTimeOfUnix(e.unixTime);
    } else {
        date = static_cast<uint16_t>(e.dosTime >> 16);
        time = static_cast<uint16_t>(e.dosTime & 0xFFFF);
        ft = FileTimeOfLocalDos(date, time);
    }
}

std::vector<EntryJob> JobsOfLzh(const uint8_t* data, size_t size, const std::vector<codecs::LzhEntry>& entries) {
    std::vector<EntryJob> jobs;
    for (const codecs::LzhEntry& e : entries) {
        EntryJob job;
        job.path = e.path;
        job.folder = e.folder;
        job.size = e.originalSize;
        uint16_t d, t;
        LzhTimes(e, d, t, job.modified);
        const codecs::LzhEntry* entry = &e;
        job.unpack = [data, size, entry](codecs::ByteSink& sink) { return codecs::UnpackLzhEntry(data, size, *entry, sink); };
        jobs.push_back(std::move(job));
    }
    return jobs;
}

}  // namespace qaz::archivers

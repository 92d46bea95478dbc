#include "components/archivers/common/lzh_jobs.h"

#include <cstdio>

#include "components/archivers/common/win_io.h"

namespace qaz::archivers {
namespace {

void JapaneseNames(codecs::LzhEntry& e) {
    if (e.os != 'U' || GetACP() != 932) return;
    codecs::EucJpToShiftJis(e.path, e.path);
    codecs::EucJpToShiftJis(e.linkTarget, e.linkTarget);
}

std::string Offset(size_t at) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(at));
    return text;
}

}  // namespace

bool WalkLzh(const uint8_t* data, size_t size, size_t start, std::vector<codecs::LzhEntry>& entries,
             std::vector<std::string>* damage) {
    bool whole = true;
    for (size_t at = start;;) {
        codecs::LzhEntry e;
        const codecs::LzhHeaderStatus st = codecs::ReadLzhHeader(data, size, at, e);
        if (st == codecs::LzhHeaderStatus::End) return whole;
        if (st != codecs::LzhHeaderStatus::Ok) {
            if (!damage) return false;
            whole = false;
            const size_t next = codecs::FindNextLzhHeader(data, size, at + 1);
            if (next == SIZE_MAX) {
                damage->push_back("header damaged at " + Offset(at) + "; nothing after it could be read");
                return false;
            }
            damage->push_back("damaged bytes from " + Offset(at) + " to " + Offset(next) + " stepped over");
            at = next;
            continue;
        }
        at = e.nextOffset;
        JapaneseNames(e);
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

namespace {

EntryJob JobOf(const uint8_t* data, size_t size, const codecs::LzhEntry& e) {
    EntryJob job;
    job.path = e.path;
    job.folder = e.folder;
    job.link = e.link;
    job.linkTarget = e.linkTarget;
    job.size = e.originalSize;
    uint16_t d, t;
    LzhTimes(e, d, t, job.modified);
    job.unpack = [data, size, e](codecs::ByteSink& sink) { return codecs::UnpackLzhEntry(data, size, e, sink); };
    return job;
}

void ReadLzh(const uint8_t* data, size_t size, size_t start, std::vector<ReadEntry>& out,
             std::vector<std::string>& damage) {
    std::vector<codecs::LzhEntry> entries;
    WalkLzh(data, size, start, entries, &damage);
    for (const codecs::LzhEntry& e : entries) {
        ReadEntry r;
        r.listed.path = e.path;
        r.listed.method.assign(e.method, 5);
        r.listed.size = e.originalSize;
        r.listed.packed = e.packedSize;
        r.listed.crc = e.crc;
        FILETIME ft;
        LzhTimes(e, r.listed.dosDate, r.listed.dosTime, ft);
        r.job = JobOf(data, size, e);
        out.push_back(std::move(r));
    }
}

}  // namespace

std::vector<EntryJob> JobsOfLzh(const uint8_t* data, size_t size, const std::vector<codecs::LzhEntry>& entries) {
    std::vector<EntryJob> jobs;
    for (const codecs::LzhEntry& e : entries) jobs.push_back(JobOf(data, size, e));
    return jobs;
}

const EntryFormat kLzhFormat = {codecs::FindLzhStart, ReadLzh};

}  // namespace qaz::archivers

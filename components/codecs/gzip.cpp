#include "components/codecs/gzip.h"

#include <zlib.h>

#include <cstring>

namespace qaz::codecs {
namespace {
constexpr size_t kBuffer = 1 << 16;
}

bool LooksLikeGzip(const uint8_t* head, size_t size) {
    return size >= 3 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 8;
}

ArcError ParseGzipHeader(const uint8_t* data, size_t size, GzipHeader& header) {
    header = GzipHeader();
    if (size < 10) return ArcError::Truncated;
    if (data[0] != 0x1F || data[1] != 0x8B) return ArcError::Corrupt;
    if (data[2] != 8) return ArcError::Unsupported;
    const uint8_t flags = data[3];
    if (flags & 0xE0) return ArcError::Corrupt;  // reserved bits
    header.mtime = data[4] | (data[5] << 8) | (data[6] << 16) | (static_cast<uint32_t>(data[7]) << 24);
    size_t pos = 10;
    if (flags & 4) {  // FEXTRA
        if (size - pos < 2) return ArcError::Truncated;
        const size_t extra = data[pos] | (data[pos + 1] << 8);
        pos += 2;
        if (size - pos < extra) return ArcError::Truncated;
        pos += extra;
    }
    for (int field : {8, 16}) {  // FNAME, FCOMMENT: zero-terminated
        if (!(flags & field)) continue;
        const void* end = std::memchr(data + pos, 0, size - pos);
        if (!end) return ArcError::Truncated;
        const size_t len = static_cast<const uint8_t*>(end) - (data + pos);
        if (field == 8) header.name.assign(reinterpret_cast<const char*>(data + pos), len);
        pos += len + 1;
    }
    if (flags & 2) {  // FHCRC
        if (size - pos < 2) return ArcError::Truncated;
        pos += 2;
    }
    header.length = pos;
    return ArcError::None;
}

struct GzipSource::State {
    z_stream z{};
    uint8_t in[kBuffer];
    bool eof = false;
};

GzipSource::GzipSource(ByteSource& in) : in_(in), state_(new State) {
    // 16 + 15: gzip wrapper, 32 KB window; zlib checks CRC and length.
    if (inflateInit2(&state_->z, 16 + 15) != Z_OK) {
        error_ = ArcError::Io;
        done_ = true;
    }
}

GzipSource::~GzipSource() { inflateEnd(&state_->z); }

bool GzipSource::Refill() {
    if (state_->z.avail_in > 0 || state_->eof) return state_->z.avail_in > 0;
    const size_t got = in_.Read(state_->in, kBuffer);
    if (got == 0) {
        state_->eof = true;
        if (in_.error() != ArcError::None) error_ = in_.error();
        return false;
    }
    state_->z.next_in = state_->in;
    state_->z.avail_in = static_cast<uInt>(got);
    return true;
}

size_t GzipSource::Read(uint8_t* out, size_t size) {
    z_stream& z = state_->z;
    size_t produced = 0;
    while (!done_ && produced < size) {
        if (!inMember_) {
            // Between members: the end of the data, zero padding, or a new member.
            while (Refill() && z.avail_in > 0 && *z.next_in == 0 && anyMember_) {
                ++z.next_in;
                --z.avail_in;
                ++packed_;
            }
            if (error_ != ArcError::None) break;
            if (z.avail_in == 0) {
                if (!anyMember_) error_ = ArcError::Truncated;
                done_ = true;
                break;
            }
            if (anyMember_ && *z.next_in != 0x1F) {  // trailing bytes that are no member
                done_ = true;
                break;
            }
            inflateReset(&z);
            inMember_ = true;
            anyMember_ = true;
        }
        if (z.avail_in == 0 && !Refill()) {
            if (error_ == ArcError::None) error_ = ArcError::Truncated;
            break;
        }
        const size_t want = size - produced;
        z.next_out = out + produced;
        z.avail_out = static_cast<uInt>(want < (1u << 30) ? want : (1u << 30));
        const uInt before = z.avail_in;
        const uInt room = z.avail_out;
        const int r = inflate(&z, Z_NO_FLUSH);
        packed_ += before - z.avail_in;
        produced += room - z.avail_out;
        if (r == Z_STREAM_END) {
            inMember_ = false;
        } else if (r == Z_DATA_ERROR || r == Z_NEED_DICT) {
            error_ = ArcError::Corrupt;
        } else if (r == Z_MEM_ERROR) {
            error_ = ArcError::Io;
        } else if (r == Z_BUF_ERROR && z.avail_in == 0 && state_->eof) {
            error_ = ArcError::Truncated;
        }
        if (error_ != ArcError::None) break;
    }
    if (error_ != ArcError::None) done_ = true;
    return error_ != ArcError::None ? 0 : produced;
}

struct GzipWriter::State {
    z_stream z{};
    uint8_t out[kBuffer];
};

GzipWriter::GzipWriter(ByteSink& out, int level) : out_(out), state_(new State) {
    if (level < 1 || level > 9) level = 6;
    ok_ = deflateInit2(&state_->z, level, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipWriter::~GzipWriter() { deflateEnd(&state_->z); }

bool GzipWriter::Pump(int flush) {
    z_stream& z = state_->z;
    for (;;) {
        z.next_out = state_->out;
        z.avail_out = kBuffer;
        const int r = deflate(&z, flush);
        if (r == Z_STREAM_ERROR) return ok_ = false;
        const size_t have = kBuffer - z.avail_out;
        if (have && !out_.Write(state_->out, have)) return ok_ = false;
        if (flush == Z_FINISH ? r == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0)) return true;
    }
}

bool GzipWriter::Write(const uint8_t* data, size_t size) {
    while (ok_ && size > 0) {
        const uInt chunk = static_cast<uInt>(size < (1u << 30) ? size : (1u << 30));
        state_->z.next_in = const_cast<uint8_t*>(data);
        state_->z.avail_in = chunk;
        if (!Pump(Z_NO_FLUSH)) break;
        data += chunk;
        size -= chunk;
    }
    return ok_;
}

bool GzipWriter::Finish() { return ok_ && Pump(Z_FINISH); }

}  // namespace qaz::codecs

// Unix compress (.Z) streams: LZW with 9- to 16-bit codes, decoded as read.
// Codes come in groups of eight; when the code width changes (or the table
// is cleared) the rest of the current group is padding, as compress writes it.
#pragma once
#include <memory>

#include "components/codecs/stream.h"

namespace qaz::codecs {

bool LooksLikeCompress(const uint8_t* head, size_t size);

class LzwSource : public ByteSource {
public:
    explicit LzwSource(ByteSource& in);
    ~LzwSource() override;
    size_t Read(uint8_t* out, size_t size) override;
    ArcError error() const override { return error_; }
    uint64_t packedBytes() const { return packed_; }

private:
    struct State;
    bool NextCode(uint32_t& code);
    void SkipRestOfGroup();
    ByteSource& in_;
    std::unique_ptr<State> state_;
    ArcError error_ = ArcError::None;
    uint64_t packed_ = 0;
};

// Encodes data as compress does with 16-bit codes and block mode; used to
// make test data and by nothing that ships.
std::vector<uint8_t> CompressLzw(const uint8_t* data, size_t size, int maxBits = 16);

}  // namespace qaz::codecs

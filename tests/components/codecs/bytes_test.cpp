#include "components/codecs/bytes.h"

#include <gtest/gtest.h>

using qaz::codecs::ByteReader;

TEST(ByteReader, ReadsBothByteOrders) {
    const uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};
    ByteReader r(data, sizeof data);
    EXPECT_EQ(r.U16LE(), 0x0201);
    EXPECT_EQ(r.U32LE(), 0x06050403u);
    EXPECT_EQ(r.U16BE(), 0x0708);
    EXPECT_EQ(r.U32BE(), 0x090A0B0Cu);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReader, ReadPastTheEndFailsAndStaysFailed) {
    const uint8_t data[] = {0xFF, 0xFE, 0xFD};
    ByteReader r(data, sizeof data);
    EXPECT_EQ(r.U16LE(), 0xFEFF);
    EXPECT_EQ(r.U16LE(), 0) << "only one byte is left";
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.U8(), 0) << "a failed reader reads nothing more";
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(r.Read(out, 1));
    EXPECT_EQ(out[0], 9) << "nothing is copied on failure";
}

TEST(ByteReader, SeekAndSkipAreBounded) {
    const uint8_t data[8] = {};
    ByteReader r(data, sizeof data);
    EXPECT_TRUE(r.Seek(8));
    EXPECT_FALSE(r.Skip(1));
    ByteReader s(data, sizeof data);
    EXPECT_FALSE(s.Seek(9));
    ByteReader t(data, sizeof data);
    EXPECT_FALSE(t.Skip(static_cast<size_t>(-1))) << "a huge count must not wrap around";
}

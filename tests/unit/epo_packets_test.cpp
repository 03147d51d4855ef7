// EPO files and the binary packets: sizes, validity, packet counts, the bytes of
// data, end, NMEA-mode and acknowledgement packets.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "epo/Packets.h"

namespace qv::epo {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A temporary file whose record r is filled with the byte r + 1 (a short tail
// continues the pattern), opened for binary reading.
File MakeEpoFile(std::size_t size) {
    File f(std::tmpfile());
    for (std::size_t i = 0; i < size; ++i)
        std::fputc(static_cast<int>((i / kEpoRecordSize + 1) & 0xFF), f.get());
    std::fflush(f.get());
    std::fseek(f.get(), 0, SEEK_END);  // the functions must not rely on the caller's position
    return f;
}

std::vector<std::uint8_t> ReadPacket(std::uint16_t seq, std::FILE* f, bool* ok = nullptr) {
    std::vector<std::uint8_t> p(kEpoPacketSize, 0xEE);
    const bool r = EpoReadPacket(seq, f, p.data());
    if (ok) *ok = r;
    return p;
}

void ExpectFrame(const std::vector<std::uint8_t>& p, std::uint16_t seq) {
    ASSERT_EQ(p.size(), static_cast<std::size_t>(kEpoPacketSize));
    const std::uint8_t head[] = {0x04, 0x24, 0xBF, 0x00, 0xD2, 0x02,
                                 static_cast<std::uint8_t>(seq & 0xFF),
                                 static_cast<std::uint8_t>(seq >> 8)};
    for (std::size_t i = 0; i < sizeof head; ++i) EXPECT_EQ(p[i], head[i]) << "byte " << i;
    std::uint8_t x = 0;
    for (std::size_t i = 2; i <= 187; ++i) x ^= p[i];
    EXPECT_EQ(p[188], x);
    EXPECT_EQ(p[189], 0x0D);
    EXPECT_EQ(p[190], 0x0A);
}

// Which record fills each of the packet's three slots (0 = zeros).
void ExpectRecords(const std::vector<std::uint8_t>& p, int r1, int r2, int r3) {
    const int want[] = {r1, r2, r3};
    for (int slot = 0; slot < 3; ++slot)
        for (int i = 0; i < kEpoRecordSize; ++i)
            ASSERT_EQ(p[8 + slot * kEpoRecordSize + i], want[slot] & 0xFF) << "slot " << slot;
}

TEST(EpoFile, SizeValidityAndPacketCountLeaveTheStreamAtTheStart) {
    struct Case {
        std::size_t size;
        bool valid;
        std::uint16_t packets;
    };
    const Case cases[] = {
        {0, false, 0},         {59, false, 1},     {60, true, 1},       {61, false, 1},
        {180, true, 1},        {240, true, 2},     {53760, true, 299},  {268800, true, 1494},
        {268860, false, 1494},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        File f = MakeEpoFile(c.size);
        EXPECT_EQ(EpoFileSize(f.get()), static_cast<std::int32_t>(c.size));
        EXPECT_EQ(std::ftell(f.get()), 0);
        std::fseek(f.get(), 17, SEEK_SET);
        EXPECT_EQ(EpoFileValid(f.get()), c.valid);
        EXPECT_EQ(std::ftell(f.get()), 0);
        std::fseek(f.get(), 0, SEEK_END);
        EXPECT_EQ(EpoPacketCount(f.get()), c.packets);
        EXPECT_EQ(std::ftell(f.get()), 0);
    }
}

TEST(EpoFile, NullStreamsAreHarmless) {
    std::uint8_t p[kEpoPacketSize] = {};
    EXPECT_EQ(EpoFileSize(nullptr), 0);
    EXPECT_FALSE(EpoFileValid(nullptr));
    EXPECT_EQ(EpoPacketCount(nullptr), 0);
    EXPECT_FALSE(EpoReadPacket(0, nullptr, p));
}

TEST(EpoPacket, RecordsAreCarriedInOrderAndShortTailsPaddedWithZeros) {
    File f = MakeEpoFile(240);
    ASSERT_TRUE(EpoFileValid(f.get()));
    bool ok = false;
    auto p0 = ReadPacket(0, f.get(), &ok);
    ASSERT_TRUE(ok);
    ExpectFrame(p0, 0);
    ExpectRecords(p0, 1, 2, 3);
    auto p1 = ReadPacket(1, f.get(), &ok);
    ASSERT_TRUE(ok);
    ExpectFrame(p1, 1);
    ExpectRecords(p1, 4, 0, 0);
    // The file is used up: nothing is built.
    auto p2 = ReadPacket(2, f.get(), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(p2[0], 0xEE);
}

TEST(EpoPacket, OneRecordFileAndTheLargestFile) {
    {
        File f = MakeEpoFile(60);
        ASSERT_EQ(EpoPacketCount(f.get()), 1);
        bool ok = false;
        auto p = ReadPacket(0, f.get(), &ok);
        ASSERT_TRUE(ok);
        ExpectRecords(p, 1, 0, 0);
    }
    File f = MakeEpoFile(268800);
    ASSERT_TRUE(EpoFileValid(f.get()));
    std::vector<std::uint8_t> last;
    int packets = 0;
    for (bool ok = true; ok;) {
        auto p = ReadPacket(static_cast<std::uint16_t>(packets), f.get(), &ok);
        if (ok) last = p, ++packets;
    }
    EXPECT_EQ(packets, 1494);
    ExpectFrame(last, 1493);
    ExpectRecords(last, 4480, 0, 0);  // record 4479 (0-based), byte pattern 4480 & 0xFF
}

TEST(EpoPacket, EndPacketBytes) {
    std::vector<std::uint8_t> p(kEpoPacketSize, 0xEE);
    ASSERT_TRUE(EpoEndPacket(p.data()));
    std::vector<std::uint8_t> want = {0x04, 0x24, 0xBF, 0x00, 0xD2, 0x02, 0xFF, 0xFF};
    want.insert(want.end(), 180, 0x00);
    want.insert(want.end(), {0x6F, 0x0D, 0x0A});
    EXPECT_EQ(p, want);
}

TEST(EpoPacket, ChecksumCoversLengthToLastRecordOnly) {
    // Preamble and line end never enter the checksum; every record byte does.
    std::uint8_t a[kEpoRecordSize] = {}, b[kEpoRecordSize] = {}, c[kEpoRecordSize] = {};
    std::uint8_t p[kEpoPacketSize];
    EpoBuildPacket(0, a, b, c, p);
    EXPECT_EQ(p[188], 0xBF ^ 0xD2 ^ 0x02);
    c[kEpoRecordSize - 1] = 0x5A;
    EpoBuildPacket(0, a, b, c, p);
    EXPECT_EQ(p[188], 0xBF ^ 0xD2 ^ 0x02 ^ 0x5A);
}

TEST(NmeaModePacket, CarriesTheListRatesAndZeroForOthers) {
    struct Case {
        const char* text;
        std::uint8_t rate[4];
        std::uint8_t checksum;
    };
    const Case cases[] = {
        {"4800", {0xC0, 0x12, 0x00, 0x00}, 0x21},   {"9600", {0x80, 0x25, 0x00, 0x00}, 0x56},
        {"14400", {0x40, 0x38, 0x00, 0x00}, 0x8B},  {"19200", {0x00, 0x4B, 0x00, 0x00}, 0xB8},
        {"38400", {0x00, 0x96, 0x00, 0x00}, 0x65},  {"57600", {0x00, 0xE1, 0x00, 0x00}, 0x12},
        {"115200", {0x00, 0xC2, 0x01, 0x00}, 0x30}, {"230400", {0, 0, 0, 0}, 0xF3},
        {"", {0, 0, 0, 0}, 0xF3},                   {"96OO", {0, 0, 0, 0}, 0xF3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint8_t p[kNmeaModePacketSize];
        std::copy(std::begin(kNmeaModeTemplate), std::end(kNmeaModeTemplate), p);
        SetNmeaModeBaud(p, c.text);
        const std::uint8_t want[kNmeaModePacketSize] = {
            0x04, 0x24, 0x0E, 0x00, 0xFD, 0x00, 0x00, c.rate[0], c.rate[1], c.rate[2], c.rate[3],
            c.checksum, 0x0D, 0x0A};
        EXPECT_TRUE(std::equal(p, p + kNmeaModePacketSize, want));
        EXPECT_EQ(FrameChecksum(p, 2, 10), c.checksum);
    }
}

TEST(AckPacket, ParsedFieldsAndChecksum) {
    std::uint8_t p[kAckPacketSize];
    BuildAck({2, 0x1234, 1}, p);
    const std::uint8_t want[] = {0x04, 0x24, 0x0C, 0x00, 0x02, 0x00, 0x34, 0x12, 0x01,
                                 0x0C ^ 0x02 ^ 0x34 ^ 0x12 ^ 0x01, 0x0D, 0x0A};
    EXPECT_TRUE(std::equal(p, p + kAckPacketSize, want));
    ReceivedPacket r = ParsePacket(p, sizeof p);
    EXPECT_EQ(r.length, 12);
    EXPECT_EQ(r.ack.id, 2);
    EXPECT_EQ(r.ack.word, 0x1234);
    EXPECT_EQ(r.ack.result, 1);
    EXPECT_TRUE(r.checksumOk);
    p[8] ^= 0x40;
    EXPECT_FALSE(ParsePacket(p, sizeof p).checksumOk);
    // A stub of a packet reads its missing bytes as zeros.
    const std::uint8_t stub[] = {0x04, 0x24, 0x0D, 0x0A};
    r = ParsePacket(stub, sizeof stub);
    EXPECT_EQ(r.length, 0x0A0D);
    EXPECT_EQ(r.ack.id, 0);
}

}  // namespace
}  // namespace qv::epo

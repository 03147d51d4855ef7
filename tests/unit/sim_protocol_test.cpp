// The simulated receiver's wire formats: NMEA framing, command parsing, binary
// packets and the EPO record time rule.
#include <gtest/gtest.h>

#include "sim/Protocol.h"

namespace qv::sim {
namespace {

TEST(SimProtocol, FramesWithUpperCaseTwoDigitChecksum) {
    EXPECT_EQ(FrameSentence("PMTK101"), "$PMTK101*32\r\n");
    EXPECT_EQ(FrameSentence("PMTK314,-1"), "$PMTK314,-1*04\r\n");
    EXPECT_EQ(FrameSentence("PMTK300,1000,0,0,0,0"), "$PMTK300,1000,0,0,0,0*1C\r\n");
    EXPECT_EQ(FrameSentence("PMTK253,1,115200"), "$PMTK253,1,115200*00\r\n");
}

TEST(SimProtocol, WellFormedSentence) {
    EXPECT_TRUE(SentenceWellFormed("$PMTK101*32\r\n"));
    for (const char* bad : {"$PMTK101*33\r\n", "$PMTK101*32\n", "PMTK101*32\r\n", "$PMTK101*32\r\nX",
                            "$PMTK101*3a\r\n", "$PM$TK101*32\r\n", "$*00\r\n"}) {
        EXPECT_FALSE(SentenceWellFormed(bad)) << bad;
    }
}

TEST(SimProtocol, ParsesCommands) {
    struct Case {
        const char* line;
        int number;  // -1: rejected
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"$PMTK101*32\r\n", 101, {}},
        {"$PMTK314,-1*04\r\n", 314, {"-1"}},
        {"$PMTK869,1,1*35", 869, {"1", "1"}},
        {"$PMTK300,,5*00", -1, {}},                      // wrong checksum
        {"$PMTK314,-1*04", 314, {"-1"}},                 // no line end
                {"$GPGGA,1*4B\r\n", -1, {}},                     // not a command
        {"$PMTK10*03\r\n", -1, {}},                      // two-digit number
        {"$PMTK101\r\n", -1, {}},                        // no checksum
        {"$PMTKCHN,1*5A\r\n", -1, {}},                   // no number
    };
    for (const Case& c : cases) {
        const auto cmd = ParseCommand(c.line);
        if (c.number < 0) {
            EXPECT_FALSE(cmd.has_value()) << c.line;
            continue;
        }
        ASSERT_TRUE(cmd.has_value()) << c.line;
        EXPECT_EQ(cmd->number, c.number) << c.line;
        EXPECT_EQ(cmd->fields, c.fields) << c.line;
    }
    // Empty fields stay in place; lower-case hex digits are accepted.
    const std::string body = "PMTK314,0,,1";
    std::string lower = FrameSentence(body);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(ch));
    lower.replace(1, 4, "PMTK");
    const auto cmd = ParseCommand(lower);
    ASSERT_TRUE(cmd.has_value());
    EXPECT_EQ(cmd->fields, (std::vector<std::string>{"0", "", "1"}));
}

TEST(SimProtocol, AcknowledgementBytes) {
    // id 2, sequence 5, result 1: checksum 0C^02^05^01.
    const Bytes ack = AckPacket(kPacketEpoAck, 5, 1);
    EXPECT_EQ(ack, (Bytes{0x04, 0x24, 0x0C, 0x00, 0x02, 0x00, 0x05, 0x00, 0x01, 0x0A, 0x0D, 0x0A}));
    const Bytes switchAck = AckPacket(kPacketAck, 253, 3);
    EXPECT_EQ(switchAck, (Bytes{0x04, 0x24, 0x0C, 0x00, 0x01, 0x00, 0xFD, 0x00, 0x03, 0xF3, 0x0D, 0x0A}));
    EXPECT_EQ(StatusPacket(0).size(), 11u);
}

TEST(SimProtocol, EndPacketMatchesTheKnownBytes) {
    std::uint8_t payload[182] = {0xFF, 0xFF};
    const Bytes end = BuildPacket(kPacketEpoData, payload, sizeof payload);
    ASSERT_EQ(end.size(), kEpoPacketSize);
    EXPECT_EQ(end[2], 0xBF);
    EXPECT_EQ(end[4], 0xD2);
    EXPECT_EQ(end[5], 0x02);
    EXPECT_EQ(end[188], 0x6F);
}

TEST(SimProtocol, FramerCutsPacketsAcrossReadsAndSkipsJunk) {
    const Bytes a = AckPacket(kPacketEpoAck, 1, 1), b = StatusPacket(7);
    Bytes stream = {'$', 'G', 'P', 0x04, 0x00, 0x24};  // junk, a lone 0x04
    stream.insert(stream.end(), a.begin(), a.end());
    stream.insert(stream.end(), {0x04, 0x24, 0xFF, 0xFF});  // impossible length
    stream.insert(stream.end(), b.begin(), b.end());
    PacketFramer f;
    std::vector<Bytes> got;
    for (std::uint8_t byte : stream) {  // one byte per read: the worst split
        f.Feed(&byte, 1);
        while (auto p = f.Next()) got.push_back(*p);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(got[1], b);
}

TEST(SimProtocol, FramerResynchronisesAfterAPacketWithoutLineEnd) {
    Bytes bad = AckPacket(kPacketEpoAck, 1, 1);
    bad[11] = 0x00;  // no LF where the length says the packet ends
    const Bytes good = AckPacket(kPacketEpoAck, 2, 1);
    bad.insert(bad.end(), good.begin(), good.end());
    PacketFramer f;
    f.Feed(bad.data(), bad.size());
    const auto p = f.Next();
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(*p, good);
    EXPECT_FALSE(f.Next().has_value());
}

TEST(SimProtocol, EpoRecordTime) {
    // Hour 1507*168 + 30: week 1507, Sunday 06:00 + 24 h = tow 108000.
    const EpoRecord r = MakeEpoRecord(1507 * 168 + 30);
    const GpsTime t = EpoRecordTime(r);
    EXPECT_EQ(t.week, 1507);
    EXPECT_EQ(t.tow, 30 * 3600);
    EXPECT_EQ(r[0] | (r[1] << 8) | (r[2] << 16), 1507 * 168 + 30);
}

}  // namespace
}  // namespace qv::sim

// The simulated receiver's behaviour without its line: command replies,
// settings, output rates, the binary EPO exchange and its faults.
#include <gtest/gtest.h>

#include "sim/Receiver.h"

namespace qv::sim {
namespace {

using std::chrono::milliseconds;

const SteadyTime kT0{};

void Feed(Receiver& rx, const std::string& bytes, SteadyTime at = kT0) {
    rx.Input(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), at);
}

void FeedPacket(Receiver& rx, const Bytes& p) { rx.Input(p.data(), p.size(), kT0); }

// Takes everything queued for the line, one string per item.
std::vector<std::string> Drain(Receiver& rx) {
    std::vector<std::string> out;
    for (OutItem& item : rx.out) {
        out.push_back(item.bytes);
        rx.Delivered(item);
    }
    rx.out.clear();
    return out;
}

std::string Body(const std::string& sentence) { return sentence.substr(1, sentence.find('*') - 1); }

std::vector<std::string> Bodies(Receiver& rx) {
    std::vector<std::string> out;
    for (const std::string& s : Drain(rx)) {
        EXPECT_TRUE(SentenceWellFormed(s)) << s;
        out.push_back(Body(s));
    }
    return out;
}

std::string Rates(const char* tail) { return std::string("PMTK314,") + tail; }

TEST(SimReceiver, AnswersEachCommand) {
    struct Case {
        std::string in;                 // bytes on the line
        std::vector<std::string> out;   // reply bodies
    };
    const std::string kDefaults = "PMTK514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,1,0";
    const Case cases[] = {
        {"$PMTK400*36\r\n", {"PMTK500,1000,0,0,0,0"}},
        {"$PMTK401*37\r\n", {"PMTK501,0"}},
        {"$PMTK414*33\r\n", {kDefaults}},
        {"$PMTK605*31\r\n", {"PMTK705,AXN_3.80_5701_22010500,5632,QX-3G,1.0"}},
        {"$PMTK869,0*29\r\n", {"PMTK869,2,1"}},
        {"$PMTK869,1,0*34\r\n", {"PMTK001,869,3"}},
        {"$PMTK607*33\r\n", {"PMTK707,0,0,0,0,0,0,0,0,0"}},
        {"$PMTK127*36\r\n", {"PMTK001,127,3"}},
        {"$PMTK314,-1*04\r\n", {"PMTK001,314,3"}},
        {FrameSentence(Rates("0,1,0,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0")), {"PMTK001,314,3"}},
        {FrameSentence(Rates("6")), {"PMTK001,314,2"}},
        {FrameSentence(Rates("1,x")), {"PMTK001,314,2"}},
        {FrameSentence("PMTK300,200,0,0,0,0"), {"PMTK001,300,3"}},
        {FrameSentence("PMTK300,50,0,0,0,0"), {"PMTK001,300,2"}},
        {FrameSentence("PMTK301,2"), {"PMTK001,301,3"}},
        {FrameSentence("PMTK301,3"), {"PMTK001,301,2"}},
        {FrameSentence("PMTK313,0"), {"PMTK001,313,3"}},
        {FrameSentence("PMTK220,100"), {"PMTK001,220,1"}},
        // No reply: restarts, the baud rate, a wrong checksum, a cut line.
        {"$PMTK101*32\r\n$PMTK102*31\r\n$PMTK103*30\r\n", {}},
        {FrameSentence("PMTK251,38400"), {}},
        {"$PMTK400*37\r\n", {}},
        {"$PMTK4$PMTK401*37\r\n", {"PMTK501,0"}},
        {"garbage\r\n$PMTK400*36\r\n", {"PMTK500,1000,0,0,0,0"}},
    };
    for (const Case& c : cases) {
        Receiver rx(Options{});
        Feed(rx, c.in);
        EXPECT_EQ(Bodies(rx), c.out) << c.in;
    }
}

TEST(SimReceiver, KeepsSettingsAndReportsThem) {
    Receiver rx(Options{});
    Feed(rx, FrameSentence("PMTK300,200,0,0,0,0") + FrameSentence("PMTK301,2") + FrameSentence("PMTK313,0") +
                 "$PMTK869,1,0*34\r\n" + FrameSentence(Rates("0,1,0,2,1,5,0,0,0,0,0,0,0,0,0,0,0,3,1")));
    EXPECT_EQ(Bodies(rx).size(), 5u);
    Feed(rx, "$PMTK400*36\r\n$PMTK401*37\r\n$PMTK869,0*29\r\n$PMTK414*33\r\n");
    EXPECT_EQ(Bodies(rx), (std::vector<std::string>{"PMTK500,200,0,0,0,0", "PMTK501,2", "PMTK869,2,0",
                                                    "PMTK514,0,1,0,2,1,5,0,0,0,0,0,0,0,0,0,0,0,3,1"}));
    EXPECT_EQ(rx.settings.fixIntervalMs, 200);
    EXPECT_FALSE(rx.settings.sbas);
    EXPECT_FALSE(rx.settings.easy);
    Feed(rx, "$PMTK314,-1*04\r\n$PMTK414*33\r\n");
    EXPECT_EQ(Bodies(rx).back(), "PMTK514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,1,0");
    // The rate command switches the line; nothing answers it.
    Feed(rx, FrameSentence("PMTK251,9600") + FrameSentence("PMTK251,12345"));
    EXPECT_TRUE(Bodies(rx).empty());
    EXPECT_EQ(rx.settings.baud, 9600u);
    ASSERT_EQ(rx.commands.size(), 13u);
    EXPECT_EQ(rx.commands.back().raw, FrameSentence("PMTK251,12345"));
}

TEST(SimReceiver, FirmwareGenerationsAndModels) {
    struct Case {
        int generation;
        std::string model;
        std::string version;  // 705 reply
        std::string easy;     // reply to the EASY query
    };
    const Case cases[] = {
        {1, "QX-1", "PMTK705,AXN_1.30,5632,QX-1,1.0", "PMTK001,869,1"},
        {2, "QX-2", "PMTK705,AXN_2.51_3339_19071200,5632,QX-2,1.0", "PMTK869,2,1"},
        {3, "RK-5M", "PMTK705,AXN_3.80_5701_22010500,5632,RK-5M,1.0", "PMTK869,2,1"},
    };
    for (const Case& c : cases) {
        Options o;
        o.generation = c.generation;
        o.model = c.model;
        Receiver rx(o);
        Feed(rx, "$PMTK605*31\r\n$PMTK869,0*29\r\n$PMTK869,1,0*34\r\n");
        const auto replies = Bodies(rx);
        ASSERT_EQ(replies.size(), 3u);
        EXPECT_EQ(replies[0], c.version);
        EXPECT_EQ(replies[1], c.easy);
        EXPECT_EQ(replies[2], c.generation == 1 ? "PMTK001,869,1" : "PMTK001,869,3");
    }
    Options o;
    o.release = "XYZ_9";
    Receiver rx(o);
    Feed(rx, "$PMTK605*31\r\n");
    EXPECT_EQ(Bodies(rx), (std::vector<std::string>{"PMTK705,XYZ_9,5632,QX-3G,1.0"}));
}

TEST(SimReceiver, InjectedAcknowledgementFlagRefusesTheCommand) {
    Receiver rx(Options{});
    rx.ackOverride[300] = 2;
    rx.ackOverride[400] = 0;
    Feed(rx, FrameSentence("PMTK300,200,0,0,0,0") + "$PMTK400*36\r\n$PMTK401*37\r\n");
    EXPECT_EQ(Bodies(rx), (std::vector<std::string>{"PMTK001,300,2", "PMTK001,400,0", "PMTK501,0"}));
    EXPECT_EQ(rx.settings.fixIntervalMs, 1000);
}

TEST(SimReceiver, OutputRatesChooseTheSentencesOfEachFix) {
    Receiver rx(Options{});
    auto count = [&rx](int fixes) {
        std::map<std::string, int> n;
        for (int i = 0; i < fixes; ++i) rx.Fix();
        for (const std::string& s : Bodies(rx)) ++n[s.substr(0, s.find(','))];
        return n;
    };
    const auto defaults = count(2);
    EXPECT_EQ(defaults.count("PMTKCHN"), 0u);
    EXPECT_EQ(defaults.at("GNZDA"), 2);
    EXPECT_EQ(defaults.at("GNGLL"), 2);
    // GLL off, RMC every fix, GGA every 2nd, GSV every 4th, ZDA off, MCHN every fix.
    Feed(rx, FrameSentence(Rates("0,1,0,2,0,4,0,0,0,0,0,0,0,0,0,0,0,0,1")));
    Drain(rx);
    const auto n = count(4);  // fixes 2..5
    EXPECT_EQ(n, (std::map<std::string, int>{{"GNRMC", 4}, {"GNGGA", 2}, {"GPGSV", 3}, {"GLGSV", 2}, {"GAGSV", 2},
                                             {"PMTKCHN", 4}}));
}

TEST(SimReceiver, SlowLineSkipsWholeFixes) {
    Options o;
    o.baud = 4800;  // 480 bytes a second: less than one fix
    Receiver rx(o);
    rx.Fix();
    const std::size_t one = rx.QueuedBytes();
    rx.Fix();
    EXPECT_EQ(rx.QueuedBytes(), one);
    EXPECT_FALSE(Bodies(rx).empty());  // well formed, checked inside
}

// ---- Binary mode ------------------------------------------------------------

Bytes DataPacket(std::uint16_t seq, const std::vector<EpoRecord>& file) {
    std::uint8_t payload[182] = {static_cast<std::uint8_t>(seq & 0xFF), static_cast<std::uint8_t>(seq >> 8)};
    for (std::size_t r = 0; r < 3 && seq != kEpoEndSequence && seq * 3u + r < file.size(); ++r)
        std::copy(file[seq * 3 + r].begin(), file[seq * 3 + r].end(), payload + 2 + r * kEpoRecordSize);
    return BuildPacket(kPacketEpoData, payload, sizeof payload);
}

Bytes NmeaModePacket(std::uint32_t baud) {
    const std::uint8_t payload[5] = {0, static_cast<std::uint8_t>(baud), static_cast<std::uint8_t>(baud >> 8),
                                     static_cast<std::uint8_t>(baud >> 16), static_cast<std::uint8_t>(baud >> 24)};
    return BuildPacket(kPacketSwitchNmea, payload, sizeof payload);
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A file whose 32-record sets start 6 hours apart in GPS week 2300.
std::vector<EpoRecord> EpoFile(std::size_t records) {
    std::vector<EpoRecord> f;
    for (std::size_t i = 0; i < records; ++i) {
        EpoRecord r = MakeEpoRecord(2300 * 168 + static_cast<std::uint32_t>(i / 32 * 6));
        r[59] = static_cast<std::uint8_t>(i);  // records of a set differ
        f.push_back(r);
    }
    return f;
}

TEST(SimReceiver, EpoUploadRoundTrip) {
    Options o;
    o.baud = 9600;
    o.ackEpoSwitch = true;
    Receiver rx(o);
    Feed(rx, "$PMTK253,1,115200*00\r\n");
    ASSERT_TRUE(rx.settings.binaryMode);
    EXPECT_EQ(rx.settings.baud, 115200u);
    // Nothing until the program listens at the new rate and has had a moment.
    rx.Tick(kT0, false);
    rx.Tick(kT0 + milliseconds(1), true);
    EXPECT_TRUE(Drain(rx).empty());
    rx.Tick(kT0 + milliseconds(30), true);
    EXPECT_EQ(Drain(rx), (std::vector<std::string>{Str(AckPacket(kPacketAck, 253, 3))}));
    rx.Tick(kT0 + milliseconds(140), true);
    EXPECT_EQ(Drain(rx), (std::vector<std::string>{Str(StatusPacket(0))}));

    const auto file = EpoFile(100);  // 34 packets, the last with one record
    for (std::uint16_t seq = 0; seq < 34; ++seq) {
        FeedPacket(rx, DataPacket(seq, file));
        EXPECT_EQ(Drain(rx), (std::vector<std::string>{Str(AckPacket(kPacketEpoAck, seq, 1))})) << seq;
    }
    rx.Tick(kT0 + milliseconds(1000), true);  // the program has spoken: no more status packets
    FeedPacket(rx, DataPacket(kEpoEndSequence, file));
    EXPECT_TRUE(Drain(rx).empty());
    EXPECT_EQ(rx.records, file);
    FeedPacket(rx, NmeaModePacket(9600));
    EXPECT_FALSE(rx.settings.binaryMode);
    EXPECT_EQ(rx.settings.baud, 9600u);
    EXPECT_EQ(rx.packets.size(), 36u);
    // 100 records: 3 whole sets, the first at hour 0 of the week, the last at hour 12.
    Feed(rx, "$PMTK607*33\r\n");
    EXPECT_EQ(Bodies(rx), (std::vector<std::string>{"PMTK707,3,2300,0,2300,43200,2300,0,2300,64800"}));
    Feed(rx, "$PMTK127*36\r\n$PMTK607*33\r\n");
    EXPECT_EQ(Bodies(rx), (std::vector<std::string>{"PMTK001,127,3", "PMTK707,0,0,0,0,0,0,0,0,0"}));
    EXPECT_TRUE(rx.records.empty());
}

TEST(SimReceiver, EpoPacketsOutOfOrderOrDamagedAreRefused) {
    Receiver rx(Options{});
    Feed(rx, "$PMTK253,1,115200*00\r\n");
    const auto file = EpoFile(12);
    FeedPacket(rx, DataPacket(0, file));
    Bytes damaged = DataPacket(1, file);
    damaged[100] ^= 1;
    FeedPacket(rx, damaged);
    FeedPacket(rx, DataPacket(2, file));   // 1 is still missing
    FeedPacket(rx, DataPacket(0, file));   // a new transfer
    FeedPacket(rx, DataPacket(1, file));
    FeedPacket(rx, DataPacket(1, file));   // a repeat: acknowledged, not stored twice
    EXPECT_EQ(Drain(rx), (std::vector<std::string>{
                             Str(AckPacket(kPacketEpoAck, 0, 1)), Str(AckPacket(kPacketEpoAck, 1, 0)),
                             Str(AckPacket(kPacketEpoAck, 2, 0)), Str(AckPacket(kPacketEpoAck, 0, 1)),
                             Str(AckPacket(kPacketEpoAck, 1, 1)), Str(AckPacket(kPacketEpoAck, 1, 1))}));
    FeedPacket(rx, DataPacket(kEpoEndSequence, file));
    EXPECT_EQ(rx.records, std::vector<EpoRecord>(file.begin(), file.begin() + 6));
    // A packet with a bad NMEA-mode checksum keeps it in binary mode.
    Bytes back = NmeaModePacket(115200);
    back[11] ^= 1;
    FeedPacket(rx, back);
    EXPECT_TRUE(rx.settings.binaryMode);
}

TEST(SimReceiver, EpoFaultsAtTheChosenPacket) {
    Bytes corrupt = AckPacket(kPacketEpoAck, 1, 1);
    corrupt[9] ^= 0xFF;
    std::vector<std::string> foreign;
    for (std::uint16_t i = 0; i < 10; ++i) foreign.push_back(Str(StatusPacket(i)));
    struct Case {
        EpoFault fault;
        std::vector<std::string> reply;  // to packet 1
        bool drop;
    };
    const Case cases[] = {
        {EpoFault::FailedAck, {Str(AckPacket(kPacketEpoAck, 1, 0))}, false},
        {EpoFault::WrongSequenceAck, {Str(AckPacket(kPacketEpoAck, 0, 1))}, false},
        {EpoFault::CorruptAckChecksum, {Str(corrupt)}, false},
        {EpoFault::ForeignPackets, foreign, false},
        {EpoFault::DropLine, {}, true},
    };
    const auto file = EpoFile(9);
    for (const Case& c : cases) {
        Options o;
        o.epoFault = c.fault;
        o.epoFaultPacket = 1;
        Receiver rx(o);
        Feed(rx, "$PMTK253,1,115200*00\r\n");
        FeedPacket(rx, DataPacket(0, file));
        EXPECT_EQ(Drain(rx), (std::vector<std::string>{Str(AckPacket(kPacketEpoAck, 0, 1))}));
        FeedPacket(rx, DataPacket(1, file));
        EXPECT_EQ(Drain(rx), c.reply) << static_cast<int>(c.fault);
        EXPECT_EQ(rx.dropLine, c.drop);
        if (c.drop) continue;
        // The fault fires once: a retried packet 1 is taken normally.
        FeedPacket(rx, DataPacket(1, file));
        EXPECT_EQ(Drain(rx), (std::vector<std::string>{Str(AckPacket(kPacketEpoAck, 1, 1))}));
    }
}

TEST(SimReceiver, NeverBinaryKeepsStreamingNmea) {
    Options o;
    o.epoFault = EpoFault::NeverBinary;
    Receiver rx(o);
    Feed(rx, "$PMTK253,1,115200*00\r\n");
    EXPECT_FALSE(rx.settings.binaryMode);
    rx.Fix();
    EXPECT_FALSE(Bodies(rx).empty());
}

}  // namespace
}  // namespace qv::sim

// The receive side of an upload fed byte chunks: binary-mode detection, packet
// framing across reads, acknowledgements, the packet-counted time-out, pacing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "epo/Packets.h"
#include "epo/Transfer.h"

namespace qv::epo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ack(std::uint16_t id, std::uint16_t word, std::uint8_t result) {
    Bytes b(kAckPacketSize);
    BuildAck({id, word, result}, b.data());
    return b;
}

// An 11-byte packet of another kind, as a receiver sends on its own.
Bytes Foreign(std::uint8_t n = 0) {
    Bytes b = {0x04, 0x24, 0x0B, 0x00, 0x84, 0x03, n, 0x00};
    b.push_back(FrameChecksum(b.data(), 2, 7));
    b.push_back(0x0D);
    b.push_back(0x0A);
    return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

RxResult Feed(UploadState& s, const Bytes& b) { return ReceiveChunk(s, b.data(), b.size()); }

// An upload of `packets` packets, ready and waiting for binary mode.
UploadState Waiting(std::uint16_t packets) {
    UploadState s;
    ResetUploadState(s);
    PrepareTransfer(s, packets);
    return s;
}

// An upload in binary mode with `sent` packets out and the last one unacknowledged.
UploadState Awaiting(std::uint16_t packets, int sent) {
    UploadState s = Waiting(packets);
    Feed(s, Ack(1, 253, 3));
    for (int i = 0; i < sent; ++i) {
        if (i > 0) Feed(s, Ack(2, static_cast<std::uint16_t>(i - 1), 1));
        EXPECT_EQ(NextSendStep(s), SendStep::SendNext);
        PacketSent(s);
    }
    return s;
}

TEST(EpoBinaryMode, FirstDollarOfAReadDecides) {
    struct Case {
        const char* name;
        Bytes chunk;
        bool binary;
        std::int32_t countdown;  // a foreign packet in the deciding read already counts
    };
    const Case cases[] = {
        {"GPS sentence", Text("$GPGGA,1,2*00\r\n"), false, 10},
        {"PMTK reply", Text("$PMTK001,253,3*35\r\n"), false, 10},
        {"garbage before the GPS sentence", Text("xx\r\n$GPRMC,*00"), false, 10},
        {"no dollar", Text("abc\r\n"), false, 10},
        {"a zero byte ends the text", Cat({Text("ab"), Bytes{0}, Text("$GNGGA")}), false, 10},
        {"GN talker", Text("$GNGGA,1*00\r\n"), true, 10},
        {"PMTK cut by a zero byte", Cat({Text("$PMT"), Bytes{0}, Text("K")}), true, 10},
        {"binary status packet", Foreign(), true, 9},
        {"binary acknowledgement after NMEA text", Cat({Text("\r\n"), Ack(1, 253, 3)}), true, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UploadState s = Waiting(5);
        s.EpoAckCountdown = 3;  // binary mode starts the count afresh
        Feed(s, c.chunk);
        EXPECT_EQ(s.EpoTransferActive, c.binary ? 1 : 0);
        EXPECT_EQ(s.EpoBinarySeen, c.binary ? 1 : 0);
        EXPECT_EQ(s.EpoWaitBinary, c.binary ? 0 : 1);
        EXPECT_EQ(s.EpoAckCountdown, c.binary ? c.countdown : 3);
    }
}

TEST(EpoBinaryMode, SentenceStartCutByTheEndOfARead) {
    // "$G" then "PGGA": still NMEA. "$" then "GNGGA": binary. A read that ends in
    // the preamble of the switch acknowledgement still delivers that packet.
    UploadState s = Waiting(5);
    Feed(s, Text("\r\n$G"));
    EXPECT_EQ(s.EpoWaitBinary, 1);
    Feed(s, Text("PGGA,1*00\r\n"));
    EXPECT_EQ(s.EpoWaitBinary, 1);
    Feed(s, Text("$"));
    Feed(s, Text("GNGGA,1*00\r\n"));
    EXPECT_EQ(s.EpoTransferActive, 1);

    s = Waiting(5);
    s.EpoSendState = kSendFailed;
    const Bytes ack = Ack(1, 253, 3);
    Feed(s, Bytes(ack.begin(), ack.begin() + 2));
    EXPECT_EQ(s.EpoTransferActive, 0);
    Feed(s, Bytes(ack.begin() + 2, ack.end()));
    EXPECT_EQ(s.EpoTransferActive, 1);
    EXPECT_EQ(s.EpoSendState, kSendReady);
}

TEST(EpoFraming, PacketsSplitAnywhereBetweenReadsAreAssembled) {
    // Every cut of a foreign packet and an acknowledgement, preamble and line end included.
    const Bytes stream = Cat({Foreign(1), Ack(2, 0, 1)});
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        UploadState s = Awaiting(5, 1);
        Feed(s, Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)));
        Feed(s, Bytes(stream.begin() + static_cast<long>(cut), stream.end()));
        EXPECT_EQ(s.EpoSendState, kSendReady);
        EXPECT_EQ(s.EpoAckCountdown, kAckPatience);
        EXPECT_EQ(s.EpoRxState, 0);
        EXPECT_EQ(s.EpoRxLen, 0);
    }
    // One byte per read.
    UploadState s = Awaiting(5, 2);
    for (std::uint8_t b : Ack(2, 1, 1)) Feed(s, Bytes{b});
    EXPECT_EQ(s.EpoSendState, kSendReady);
}

TEST(EpoFraming, NoiseIsSkippedAndOverlongPacketsDropped) {
    UploadState s = Awaiting(5, 1);
    // Noise outside packets, then a packet start that never ends: after 256 bytes
    // it is dropped, and the acknowledgement behind it still counts.
    Bytes junk = Text("\x0D\x0A\x04\x0D xyz");
    Bytes runaway = {0x04, 0x24};
    runaway.insert(runaway.end(), 400, 0x55);
    Feed(s, Cat({junk, runaway}));
    EXPECT_LE(s.EpoRxLen, kEpoRxBufSize);
    EXPECT_EQ(s.EpoRxState, 0);
    Feed(s, Ack(2, 0, 1));
    EXPECT_EQ(s.EpoSendState, kSendReady);
    EXPECT_EQ(s.EpoAckCountdown, kAckPatience);

    // A new preamble inside a packet starts it afresh.
    s = Awaiting(5, 2);
    Feed(s, Cat({Bytes{0x04, 0x24, 0x99, 0x98}, Ack(2, 1, 1)}));
    EXPECT_EQ(s.EpoSendState, kSendReady);
}

TEST(EpoAck, TenForeignPacketsTimeOutNineDoNot) {
    UploadState s = Awaiting(5, 1);
    for (int i = 0; i < 9; ++i) Feed(s, Foreign(static_cast<std::uint8_t>(i)));
    EXPECT_EQ(NextSendStep(s), SendStep::Nothing);
    EXPECT_EQ(s.EpoAckCountdown, 1);
    Feed(s, Foreign());
    EXPECT_EQ(NextSendStep(s), SendStep::TimedOut);
}

TEST(EpoAck, GoodAcknowledgementRestartsTheCountOthersNeither) {
    UploadState s = Awaiting(5, 1);
    for (int i = 0; i < 9; ++i) Feed(s, Foreign());
    Feed(s, Ack(2, 0, 1));
    EXPECT_EQ(s.EpoAckCountdown, kAckPatience);
    ASSERT_EQ(NextSendStep(s), SendStep::SendNext);
    PacketSent(s);
    // Acknowledgement-sized packets of another id, or of another command, are ignored.
    for (int i = 0; i < 9; ++i) Feed(s, Foreign());
    Feed(s, Cat({Ack(7, 1, 1), Ack(1, 300, 3)}));
    EXPECT_EQ(s.EpoAckCountdown, 1);
    EXPECT_EQ(s.EpoSendState, kSendAwaiting);
    Feed(s, Foreign());
    EXPECT_EQ(NextSendStep(s), SendStep::TimedOut);
}

TEST(EpoAck, BadAcknowledgementsAbandonWhilePacketsRemain) {
    struct Case {
        const char* name;
        Bytes ack;
    };
    Bytes corrupt = Ack(2, 5, 1);
    corrupt[9] ^= 0xFF;
    const Case cases[] = {
        {"sequence before the one awaited", Ack(2, 4, 1)},
        {"failure result", Ack(2, 5, 0)},
        {"wrong checksum", corrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UploadState s = Awaiting(10, 6);  // sequence 5 awaited, 4 packets remain
        EXPECT_EQ(Feed(s, Cat({c.ack, Ack(2, 5, 1)})), RxResult::Abandon);
        EXPECT_EQ(s.EpoSendState, kSendFailed);
    }
}

TEST(EpoAck, AfterTheLastPacketOnlyItsOwnAcknowledgementCounts) {
    UploadState s = Awaiting(3, 3);
    EXPECT_EQ(Feed(s, Ack(2, 1, 1)), RxResult::Continue);
    EXPECT_EQ(Feed(s, Ack(2, 2, 0)), RxResult::Continue);
    EXPECT_EQ(NextSendStep(s), SendStep::Nothing);
    // A wrong checksum still abandons, also here.
    Bytes corrupt = Ack(2, 2, 1);
    corrupt[9] ^= 1;
    UploadState t = s;
    EXPECT_EQ(Feed(t, corrupt), RxResult::Abandon);
    Feed(s, Ack(2, 2, 1));
    EXPECT_EQ(NextSendStep(s), SendStep::Finish);
}

TEST(EpoAck, SwitchAcknowledgementReleasesOrStallsTheSender) {
    UploadState s = Awaiting(5, 1);
    Feed(s, Ack(1, 253, 3));
    EXPECT_EQ(NextSendStep(s), SendStep::SendNext);  // even though packet 0 is unacknowledged

    s = Awaiting(5, 1);
    Feed(s, Ack(1, 253, 0));
    EXPECT_EQ(s.EpoSendState, kSendFailed);
    EXPECT_EQ(NextSendStep(s), SendStep::Nothing);
    for (int i = 0; i < 10; ++i) Feed(s, Foreign());
    EXPECT_EQ(NextSendStep(s), SendStep::TimedOut);
}

TEST(EpoPacing, WholeExchangeAndProgress) {
    UploadState s = Waiting(299);
    EXPECT_EQ(NextSendStep(s), SendStep::Nothing);  // not before binary mode
    Feed(s, Foreign());  // the receiver's own status packet shows the switch
    std::vector<int> percents;
    for (int seq = 0; seq < 299; ++seq) {
        ASSERT_EQ(NextSendStep(s), SendStep::SendNext) << seq;
        EXPECT_EQ(s.EpoNextSeq, seq);
        PacketSent(s);
        percents.push_back(ProgressPercent(s));
        EXPECT_EQ(NextSendStep(s), SendStep::Nothing);
        Feed(s, Ack(2, static_cast<std::uint16_t>(seq), 1));
    }
    EXPECT_EQ(NextSendStep(s), SendStep::Finish);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents[149], 50);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(ProgressText(42),
              "Updating now... 42 %\nDO NOT remove the mini USB cable (connection) \nwhen updating "
              "EPO data");
}

}  // namespace
}  // namespace qv::epo

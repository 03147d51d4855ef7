// The simulated receiver on its pseudo-terminal, seen from the program's side:
// the stream, pacing, rate mismatch, reconnecting, commands, the baud-rate
// switch and the binary EPO exchange.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdio>

#include "sim/Simulator.h"
#include "system/sim_test_port.h"

namespace qv::sim {
namespace {

using namespace std::chrono_literals;
using simtest::Sentences;
using simtest::TestPort;

Options Fast(std::uint32_t baud = 115200, std::uint64_t seed = 1) {
    Options o;
    o.baud = baud;
    o.seed = seed;
    o.fixIntervalMs = 100;
    return o;
}

auto Contains(const std::string& what) {
    return [what](const std::string& got) { return got.find(what) != std::string::npos; };
}

auto Holds(std::size_t n) {
    return [n](const std::string& got) { return got.size() >= n; };
}

bool AllScrambled(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; });
}

template <class Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 3s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(SimLine, StreamArrivesWellFormedAndIsWhatTheReceiverLogged) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    ASSERT_TRUE(port.IsOpen());
    std::string got = port.ReadUntil([](const std::string& s) {
        std::size_t n = 0;
        for (std::size_t p = s.find("$GNZDA"); p != std::string::npos; p = s.find("$GNZDA", p + 1)) ++n;
        return n >= 3;
    }, 3s);
    const auto logged = sim.SentSentences();
    got += port.ReadFor(100ms);  // the tail of a sentence logged as we looked

    const auto sentences = Sentences(got);
    ASSERT_GT(sentences.size(), 40u);
    for (std::size_t i = 1; i < sentences.size(); ++i)  // the first may have begun before we opened
        EXPECT_TRUE(SentenceWellFormed(sentences[i])) << sentences[i];
    std::string loggedBytes;
    for (const auto& s : logged) loggedBytes += s;
    ASSERT_FALSE(loggedBytes.empty());
    EXPECT_NE(got.find(loggedBytes), std::string::npos) << "the log is exactly the bytes sent, in order";
}

TEST(SimLine, SameSeedSendsTheSameBytes) {
    Options o = Fast(115200, 42);
    o.fixIntervalMs = 200;  // slow enough that the line never skips a fix
    Simulator a(o), b(o);
    ASSERT_TRUE(a.Start());
    TestPort pa(a.DevicePath(), 115200);
    pa.ReadFor(250ms);
    ASSERT_TRUE(b.Start());  // later: the two runs are out of step in time
    TestPort pb(b.DevicePath(), 115200);
    pb.ReadFor(1200ms);
    pa.ReadFor(10ms);
    const auto sa = a.SentSentences(), sb = b.SentSentences();
    // Align on the first fix both logged whole (either may have missed the very
    // first one while its port was opening), then compare sentence for sentence.
    auto firstRmc = [](const std::vector<std::string>& log) {
        return std::find_if(log.begin(), log.end(), [](const std::string& s) { return s.rfind("$GNRMC", 0) == 0; });
    };
    auto ia = firstRmc(sa), ib = firstRmc(sb);
    ASSERT_NE(ia, sa.end());
    ASSERT_NE(ib, sb.end());
    if (*ia < *ib) ia = std::find(sa.begin(), sa.end(), *ib);  // RMC time fields order the fixes
    else ib = std::find(sb.begin(), sb.end(), *ia);
    ASSERT_NE(ia, sa.end());
    ASSERT_NE(ib, sb.end());
    const std::size_t n = std::min<std::size_t>(sa.end() - ia, sb.end() - ib);
    ASSERT_GE(n, 54u);  // three whole fixes at least
    EXPECT_TRUE(std::equal(ia, ia + static_cast<std::ptrdiff_t>(n), ib));
}

TEST(SimLine, NeverFasterThanTheLine) {
    for (std::uint32_t baud : {9600u, 57600u}) {
        Simulator sim(Fast(baud));  // 10 fixes a second: more than either line carries
        ASSERT_TRUE(sim.Start());
        TestPort port(sim.DevicePath(), baud);
        const auto t0 = std::chrono::steady_clock::now();
        const std::string got = port.ReadFor(1200ms);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double allowed = baud / 10.0 * seconds + baud / 10.0 / 100.0 + 64;  // plus a slice in flight
        EXPECT_GT(got.size(), 0u) << baud;
        EXPECT_LE(static_cast<double>(got.size()), allowed) << baud;
    }
}

TEST(SimLine, OtherRateGivesGarbageBothWays) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 9600);
    std::string noise = port.ReadUntil(Holds(500), 2s);
    noise += port.ReadFor(100ms);  // well past the rate change
    ASSERT_FALSE(noise.empty());
    EXPECT_TRUE(AllScrambled(noise));
    EXPECT_EQ(sim.ProgramBaud(), 9600u);
    EXPECT_EQ(sim.SentSentenceCount(), 0u);

    ASSERT_TRUE(port.Write("$PMTK605*31\r\n"));
    ASSERT_TRUE(WaitFor([&] { return sim.ReceivedByteCount() >= 13; }));
    port.ReadFor(150ms);
    EXPECT_TRUE(sim.ReceivedCommands().empty());

    ASSERT_TRUE(port.SetBaud(115200));
    port.ReadFor(50ms);
    ASSERT_TRUE(port.Write("$PMTK605*31\r\n"));
    const std::string reply = port.ReadUntil(Contains("$PMTK705,"), 2s);
    EXPECT_NE(reply.find("$PMTK705,AXN_3.80_5701_22010500,5632,QX-3G,1.0*"), std::string::npos);
    EXPECT_EQ(sim.ReceivedCommands().size(), 1u);
}

TEST(SimLine, ProgramClosingAndReopeningTheDevice) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    {
        TestPort port(sim.DevicePath(), 115200);
        ASSERT_NE(port.ReadUntil(Contains("$GNRMC"), 2s).find("$GNRMC"), std::string::npos);
    }
    std::this_thread::sleep_for(50ms);
    const std::size_t logged = sim.SentSentenceCount();
    timespec c0{}, c1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
    std::this_thread::sleep_for(500ms);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
    const double cpu = (c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) / 1e9;
    EXPECT_LT(cpu, 0.25) << "the receiver must not spin while nobody listens";
    EXPECT_EQ(sim.SentSentenceCount(), logged) << "nothing reaches a closed device";

    TestPort again(sim.DevicePath(), 115200);
    ASSERT_TRUE(again.IsOpen());
    ASSERT_TRUE(again.Write("$PMTK400*36\r\n"));
    EXPECT_NE(again.ReadUntil(Contains("$PMTK500,100,0,0,0,0*"), 2s).find("$PMTK500,100,"), std::string::npos);
}

TEST(SimLine, CommandsAnsweredOverTheLine) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    struct Case {
        std::string command, reply;
    };
    const Case cases[] = {
        {"$PMTK414*33\r\n", "$PMTK514,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,1,0*"},
        {FrameSentence("PMTK300,200,0,0,0,0"), "$PMTK001,300,3*"},
        {"$PMTK400*36\r\n", "$PMTK500,200,0,0,0,0*"},
        {"$PMTK869,1,0*34\r\n", "$PMTK001,869,3*"},
        {"$PMTK869,0*29\r\n", "$PMTK869,2,0*"},
    };
    for (const Case& c : cases) {
        const auto before = std::chrono::steady_clock::now();
        ASSERT_TRUE(port.Write(c.command));
        const std::string got = port.ReadUntil(Contains(c.reply), 2s);
        EXPECT_NE(got.find(c.reply), std::string::npos) << c.command;
        const auto cmds = sim.ReceivedCommands();
        ASSERT_FALSE(cmds.empty());
        EXPECT_EQ(cmds.back().raw, c.command);
        EXPECT_GE(cmds.back().at, before);
    }
    // The new fix interval is real: five fixes a second, 200 ms apart in the stream.
    sim.ClearObservations();
    port.ReadFor(1100ms);
    std::size_t zda = 0;
    for (const auto& s : sim.SentSentences()) zda += s.rfind("$GNZDA", 0) == 0;
    EXPECT_GE(zda, 3u);
    EXPECT_LE(zda, 7u);
}

TEST(SimLine, BaudRateCommandMovesTheReceiversLine) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    // As a program does it: the command, then the port to the new rate at once.
    ASSERT_TRUE(port.Write(FrameSentence("PMTK251,38400")));
    ASSERT_TRUE(port.SetBaud(38400));
    ASSERT_TRUE(WaitFor([&] { return sim.LineBaud() == 38400u; }));
    port.ReadFor(20ms);
    EXPECT_NE(port.ReadUntil(Contains("$GNZDA"), 2s).find("$GNZDA"), std::string::npos);
    EXPECT_EQ(sim.ProgramBaud(), 38400u);

    // A program that stays behind sees garbage until it follows.
    ASSERT_TRUE(port.Write(FrameSentence("PMTK251,115200")));
    ASSERT_TRUE(WaitFor([&] { return sim.LineBaud() == 115200u; }));
    port.ReadFor(20ms);
    EXPECT_TRUE(AllScrambled(port.ReadUntil(Holds(200), 2s)));
    ASSERT_TRUE(port.SetBaud(115200));
    port.ReadFor(20ms);
    EXPECT_NE(port.ReadUntil(Contains("$GNZDA"), 2s).find("$GNZDA"), std::string::npos);
}

TEST(SimLine, RateWithoutAConstant) {
    Simulator sim(Fast(14400));
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 14400);
    EXPECT_NE(port.ReadUntil(Contains("$GNZDA"), 2s).find("$GNZDA"), std::string::npos);
    EXPECT_EQ(sim.ProgramBaud(), 14400u);
    ASSERT_TRUE(port.SetBaud(19200));
    ASSERT_TRUE(WaitFor([&] { return sim.ProgramBaud() == 19200u; }));
    port.ReadFor(20ms);
    EXPECT_TRUE(AllScrambled(port.ReadUntil(Holds(100), 2s)));
}

TEST(SimLine, ProgramNotReadingHoldsTheLineBackWithoutCuttingSentences) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    std::this_thread::sleep_for(2500ms);  // the device buffer fills up meanwhile
    std::string got = port.ReadFor(1000ms);
    const auto logged = sim.SentSentences();
    got += port.ReadFor(100ms);
    const auto sentences = Sentences(got);
    ASSERT_GT(sentences.size(), 100u);
    for (std::size_t i = 1; i < sentences.size(); ++i) EXPECT_TRUE(SentenceWellFormed(sentences[i])) << sentences[i];
    std::string loggedBytes;
    for (const auto& s : logged) loggedBytes += s;
    EXPECT_NE(got.find(loggedBytes), std::string::npos);
}

// ---- Binary EPO exchange over the line --------------------------------------

Bytes DataPacket(std::uint16_t seq, const std::vector<EpoRecord>& file) {
    std::uint8_t payload[182] = {static_cast<std::uint8_t>(seq & 0xFF), static_cast<std::uint8_t>(seq >> 8)};
    for (std::size_t r = 0; r < 3 && seq != kEpoEndSequence && seq * 3u + r < file.size(); ++r)
        std::copy(file[seq * 3 + r].begin(), file[seq * 3 + r].end(), payload + 2 + r * kEpoRecordSize);
    return BuildPacket(kPacketEpoData, payload, sizeof payload);
}

// The NMEA-mode packet for 9600 baud, as the program sends it.
const Bytes kBackTo9600 = {0x04, 0x24, 0x0E, 0x00, 0xFD, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00, 0x56, 0x0D, 0x0A};

TEST(SimLine, EpoUploadRoundTrip) {
    Options o = Fast(9600);
    o.ackEpoSwitch = true;
    Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 9600);
    port.ReadUntil(Contains("\r\n"), 2s);
    ASSERT_TRUE(port.Write("$PMTK253,1,115200*00\r\n"));
    ASSERT_TRUE(WaitFor([&] { return sim.BinaryMode(); }));
    ASSERT_TRUE(port.SetBaud(115200));
    const std::string ack = Str(AckPacket(kPacketAck, 253, 3));
    EXPECT_NE(port.ReadUntil(Contains(ack), 2s).find(ack), std::string::npos);

    std::vector<EpoRecord> file;
    for (std::uint32_t i = 0; i < 64; ++i) file.push_back(MakeEpoRecord(2300 * 168 + i / 32 * 6));
    for (std::uint16_t seq = 0; seq * 3u < file.size(); ++seq) {
        ASSERT_TRUE(port.Write(Str(DataPacket(seq, file))));
        const std::string want = Str(AckPacket(kPacketEpoAck, seq, 1));
        ASSERT_NE(port.ReadUntil(Contains(want), 2s).find(want), std::string::npos) << seq;
    }
    ASSERT_TRUE(port.Write(Str(DataPacket(kEpoEndSequence, file))));
    ASSERT_TRUE(port.Write(Str(kBackTo9600)));
    ASSERT_TRUE(WaitFor([&] { return !sim.BinaryMode() && sim.LineBaud() == 9600u; }));
    EXPECT_EQ(sim.EpoRecords(), file);
    ASSERT_TRUE(port.SetBaud(9600));
    port.ReadFor(20ms);
    ASSERT_TRUE(port.Write("$PMTK607*33\r\n"));
    const std::string want = "$PMTK707,2,2300,0,2300,21600,2300,0,2300,43200*";
    EXPECT_NE(port.ReadUntil(Contains(want), 3s).find(want), std::string::npos);
    EXPECT_NE(port.ReadUntil(Contains("$GNRMC"), 3s).find("$GNRMC"), std::string::npos) << "NMEA output is back";
}

TEST(SimLine, WithoutTheSwitchAcknowledgementStatusPacketsAnnounceBinaryMode) {
    Simulator sim(Fast());
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    ASSERT_TRUE(port.Write("$PMTK253,1,115200*00\r\n"));
    ASSERT_TRUE(WaitFor([&] { return sim.BinaryMode(); }));
    // Whatever NMEA was in flight at the switch, then nothing but status packets, counting up.
    PacketFramer framer;
    std::vector<Bytes> packets;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (packets.size() < 3 && std::chrono::steady_clock::now() < end) {
        const std::string got = port.ReadFor(50ms);
        framer.Feed(reinterpret_cast<const std::uint8_t*>(got.data()), got.size());
        while (auto p = framer.Next()) packets.push_back(*p);
    }
    ASSERT_GE(packets.size(), 3u);
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(packets[i].size(), 11u);
        EXPECT_EQ(Le16(&packets[i][4]), kPacketStatus);
        EXPECT_EQ(packets[i], StatusPacket(static_cast<std::uint16_t>(Le16(&packets[0][6]) + i)));
    }
}

TEST(SimLine, LineDropsMidTransfer) {
    Options o = Fast();
    o.epoFault = EpoFault::DropLine;
    o.epoFaultPacket = 1;
    Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    ASSERT_TRUE(port.Write("$PMTK253,1,115200*00\r\n"));
    ASSERT_TRUE(WaitFor([&] { return sim.BinaryMode(); }));
    const std::vector<EpoRecord> file(6, MakeEpoRecord(1000));
    ASSERT_TRUE(port.Write(Str(DataPacket(0, file))));
    const std::string ack0 = Str(AckPacket(kPacketEpoAck, 0, 1));
    ASSERT_NE(port.ReadUntil(Contains(ack0), 2s).find(ack0), std::string::npos);
    ASSERT_TRUE(port.Write(Str(DataPacket(1, file))));
    port.ReadFor(2s);
    EXPECT_TRUE(port.Dead());
    EXPECT_TRUE(sim.LineDropped());
    EXPECT_NE(access(sim.DevicePath().c_str(), F_OK), 0) << "the device vanished";
}

TEST(SimLine, NeverSwitchingKeepsTheNmeaStream) {
    Options o = Fast(115200);
    o.epoFault = EpoFault::NeverBinary;
    Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    TestPort port(sim.DevicePath(), 115200);
    ASSERT_TRUE(port.Write("$PMTK253,1,115200*00\r\n"));
    ASSERT_TRUE(WaitFor([&] { return !sim.ReceivedCommands().empty(); }));
    port.ReadFor(20ms);
    EXPECT_NE(port.ReadUntil(Contains("$GNRMC"), 2s).find("$GNRMC"), std::string::npos);
    EXPECT_FALSE(sim.BinaryMode());
}

// ---- The executable ----------------------------------------------------------

TEST(SimProgram, ServesItsDeviceUntilTerminated) {
    const std::string cmd = std::string(QV_BINARY_DIR) +
                            "/sim/quorvex-sim --baud 38400 --seed 3 --generation 1 --model RK-5X --fix-interval 100";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl("/bin/sh", "sh", "-c", ("exec " + cmd).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* f = fdopen(out[0], "r");
    char line[256] = {};
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    std::string path(line);
    path.erase(path.find_last_not_of("\r\n") + 1);
    {
        TestPort port(path, 38400);
        ASSERT_TRUE(port.IsOpen()) << path;
        ASSERT_TRUE(port.Write("$PMTK605*31\r\n"));
        EXPECT_NE(port.ReadUntil(Contains("$PMTK705,AXN_1.30,5632,RK-5X,1.0*"), 3s).find("AXN_1.30"),
                  std::string::npos);
    }
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    fclose(f);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace qv::sim

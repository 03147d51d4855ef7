// The whole EPO update end to end: the Update button downloads the file from a
// real FTP server on 127.0.0.1, the upload thread carries it to the simulated
// receiver over its binary protocol, and the line goes back to NMEA at the
// window's rate. Faults of the receiver and of the download end in their states.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "epo/Epo.h"
#include "serial/Serial.h"
#include "sim/Simulator.h"
#include "system/epo_ftp_server.h"
#include "window/Handlers.h"
#include "window/HeadlessWindow.h"

namespace qv::epo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kFtpFailure =
    "Failed to connect to AGPS server. \r\nPlease check your network connection.";
constexpr const char* kAgps = "AGPS Message";

// The buttons an upload takes away while it owns the port.
constexpr Ctl kWriters[] = {Ctl::hot,       Ctl::warm,     Ctl::cold,      Ctl::btDefault,
                            Ctl::btNAQuery, Ctl::btConfirm, Ctl::btDGQuery, Ctl::btDGPSSet,
                            Ctl::btVerQuery, Ctl::btFixQuery, Ctl::btFixSet, Ctl::Button2,
                            Ctl::Button4,   Ctl::btBrSet};

std::vector<sim::EpoRecord> Records(int n) {
    std::vector<sim::EpoRecord> r;
    for (int i = 0; i < n; ++i) r.push_back(sim::MakeEpoRecord(400000u + 6u * static_cast<unsigned>(i)));
    return r;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Flatten(const std::vector<sim::EpoRecord>& records) {
    std::vector<std::uint8_t> out;
    for (const auto& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

// A loopback port with nobody listening on it.
int DeadPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

class EpoUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        threads_ = epotest::BaselineThreadCount();
        home_ = fs::current_path();
        char tmpl[] = "/tmp/qv-epo-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        fs::create_directory(dir_ / "ftp");
        fs::create_directory(dir_ / "work");
        // The downloaded file lands in the working directory.
        fs::current_path(dir_ / "work");
        ftp_ = std::make_unique<epotest::FtpServer>((dir_ / "ftp").string());
        ASSERT_GT(ftp_->Port(), 0) << "the FTP server did not start";
        ::setenv(kEpoUrlVariable, ftp_->Url(kEpoLocalName).c_str(), 1);
    }

    void TearDown() override {
        if (w.Text(Ctl::Button1) == "Off") w.Click(Ctl::Button1);
        w.RunUntil([] { return !DownloadBusy(); }, 20s);
        w.RunUntil([] { return UploadEnded(); }, 10s);
        ::unsetenv(kEpoUrlVariable);
        fs::current_path(home_);
        ftp_.reset();
        if (sim_) sim_->Stop();
        // The window goes away with this test: every reader, also one a disconnect
        // only asked to stop, must have ended first (they may wait on a hand-over).
        EXPECT_TRUE(w.RunUntil([&] { return epotest::ThreadCount() <= threads_; }, 10s));
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static bool UploadEnded() {
        EPO_PARSE* t = EpoThread.load();
        return !t || t->Finished();
    }

    void Connect(sim::Options options, const std::string& baud) {
        sim_ = std::make_unique<sim::Simulator>(options);
        ASSERT_TRUE(sim_->Start());
        w.Type(Ctl::ComboBox1, sim_->DevicePath());
        w.Type(Ctl::ComboBox2, baud);
        ASSERT_TRUE(w.Click(Ctl::Button1));
        ASSERT_EQ(w.Text(Ctl::Button1), "Off");
        // The automatic queries would share the line with the upload; keep it to the upload.
        w.SetTimerEnabled(Timer::Timer2, false);
        ASSERT_TRUE(SentencesFlow());
    }

    void Serve(const std::vector<std::uint8_t>& bytes) { WriteFile(dir_ / "ftp" / kEpoLocalName, bytes); }

    // A new valid sentence reaches the window.
    bool SentencesFlow() {
        serial::SentenceLen = 0;
        return w.RunUntil([] { return serial::SentenceLen > 0 && serial::SentenceBuf[0] == '$'; }, 5s);
    }

    const HeadlessWindow::Box* LastBox(const std::string& title) const {
        for (auto it = w.boxes.rbegin(); it != w.boxes.rend(); ++it)
            if (it->title == title) return &*it;
        return nullptr;
    }

    // Runs the update until the upload thread has reported and ended.
    bool RunUpload(std::chrono::seconds limit = 30s) {
        if (!w.Click(Ctl::Button3)) return false;
        return w.RunUntil([&] { return LastBox(kAgps) && EpoThread.load() && UploadEnded(); }, limit);
    }

    // The line is back in NMEA at the window's rate with a reader on it.
    void ExpectNormalReception(std::uint32_t baud) {
        EXPECT_FALSE(sim_->BinaryMode());
        EXPECT_EQ(sim_->LineBaud(), baud);
        EXPECT_TRUE(SentencesFlow());
        EXPECT_EQ(sim_->ProgramBaud(), baud);
        EXPECT_EQ(EpoUploadRunning.load(), 0);
        EXPECT_TRUE(w.Enabled(Ctl::Button3));
        for (Ctl c : kWriters) EXPECT_TRUE(w.Enabled(c)) << ControlName(c);
        EXPECT_FALSE(fs::exists(kEpoLocalName)) << "the file is deleted after a transfer";
    }

    // Waits for a download that must fail before any upload begins.
    void ExpectDownloadError(const std::string& text) {
        ASSERT_TRUE(w.Click(Ctl::Button3));
        EXPECT_FALSE(w.Enabled(Ctl::Button3));
        EXPECT_EQ(w.Text(Ctl::Label39), "Downloading EPO File...\r\n");
        ASSERT_TRUE(w.RunUntil([&] { return !DownloadBusy() && !w.boxes.empty(); }, 30s));
        const auto& box = w.boxes.back();
        EXPECT_TRUE(box.errorBox);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.title, kAppTitle);
        EXPECT_EQ(w.Text(Ctl::Label39), "");
        EXPECT_TRUE(w.Enabled(Ctl::Button3));
        EXPECT_EQ(EpoUploadRunning.load(), 0);
        for (const auto& c : sim_->ReceivedCommands()) EXPECT_NE(c.number, 253);
        EXPECT_FALSE(sim_->BinaryMode());
    }

    HeadlessWindow w;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<epotest::FtpServer> ftp_;
    fs::path home_, dir_;
    int threads_ = 0;
};

TEST_F(EpoUpdate, UploadsTheFileAndReturnsToNmeaAtTheWindowsRate) {
    for (const char* baud : {"115200", "9600"}) {
        SCOPED_TRACE(baud);
        sim::Options o;
        o.baud = static_cast<std::uint32_t>(std::atoi(baud));
        ASSERT_NO_FATAL_FAILURE(Connect(o, baud));
        const auto records = Records(7);  // three packets, the last with one record
        Serve(Flatten(records));
        w.boxes.clear();

        ASSERT_TRUE(w.Click(Ctl::Button3));
        // While the upload owns the port, only it writes there.
        ASSERT_TRUE(w.RunUntil([&] { return w.Text(Ctl::Label39).rfind("Updating now...", 0) == 0; }, 20s));
        EXPECT_EQ(EpoUploadRunning.load(), 1);
        EXPECT_FALSE(w.Enabled(Ctl::Button3));
        for (Ctl c : kWriters) EXPECT_FALSE(w.Enabled(c)) << ControlName(c);
        ASSERT_TRUE(w.RunUntil([&] { return LastBox(kAgps) && UploadEnded(); }, 20s));

        const auto* box = LastBox(kAgps);
        EXPECT_EQ(box->text, "Update completed.");
        EXPECT_EQ(box->buttons, MsgButtons::Ok);
        EXPECT_EQ(box->icon, MsgIcon::None);
        EXPECT_EQ(w.Text(Ctl::Label39), "Update Success");
        EXPECT_EQ(sim_->EpoRecords(), records);
        ExpectNormalReception(o.baud);

        // The binary-mode sentence went out exactly once, exactly as framed.
        int switches = 0;
        for (const auto& c : sim_->ReceivedCommands()) {
            if (c.number != 253) continue;
            ++switches;
            EXPECT_EQ(c.raw, kBinaryModeSentence);
        }
        EXPECT_EQ(switches, 1);
        // Sequence 0 upward, then the end packet, then the switch back.
        const auto packets = sim_->ReceivedPackets();
        ASSERT_EQ(packets.size(), 5u);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(packets[static_cast<std::size_t>(i)].word, i);
        EXPECT_EQ(packets[3].word, 0xFFFF);
        EXPECT_EQ(packets[4].id, 253);
        w.Click(Ctl::Button1);
        w.RunUntil([] { return UploadEnded(); }, 5s);
        sim_->Stop();
    }
}

TEST_F(EpoUpdate, ReceiverFaultsEndInTheirStates) {
    struct Case {
        sim::EpoFault fault;
        const char* message;
    };
    const Case cases[] = {
        {sim::EpoFault::FailedAck, "Action Fail,Plaese try again!"},
        {sim::EpoFault::WrongSequenceAck, "Action Fail,Plaese try again!"},
        {sim::EpoFault::CorruptAckChecksum, "Action Fail,Plaese try again!"},
        {sim::EpoFault::ForeignPackets, "ACK Failed,Please Try Again!."},
    };
    ASSERT_NO_FATAL_FAILURE(Connect({}, "115200"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        sim_->SetEpoFault(c.fault, 1);
        Serve(Flatten(Records(9)));
        w.boxes.clear();
        ASSERT_TRUE(RunUpload());
        EXPECT_EQ(LastBox(kAgps)->text, c.message);
        EXPECT_EQ(w.Text(Ctl::Label39), "Update Failed!");
        EXPECT_TRUE(sim_->EpoRecords().empty()) << "no end packet after a failure";
        EXPECT_EQ(EpoAckCountdown, kAckPatience);
        ExpectNormalReception(115200);
    }
}

TEST_F(EpoUpdate, SilentOrVanishedReceiverWaitsUntilDisconnected) {
    // A receiver that never enters binary mode, and a line that dies mid-transfer
    // (fetched from a file:// source this time): no clock ends either, the
    // disconnect does.
    struct Case {
        sim::EpoFault fault;
        std::uint32_t baud;
        bool lineSurvives;
    };
    const Case cases[] = {{sim::EpoFault::NeverBinary, 9600, true},
                          {sim::EpoFault::DropLine, 115200, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud);
        sim::Options o;
        o.baud = c.baud;
        o.epoFault = c.fault;
        o.epoFaultPacket = 1;
        ASSERT_NO_FATAL_FAILURE(Connect(o, std::to_string(c.baud)));
        WriteFile(dir_ / "source.EPO", Flatten(Records(9)));
        ::setenv(kEpoUrlVariable, ("file://" + (dir_ / "source.EPO").string()).c_str(), 1);
        w.boxes.clear();
        ASSERT_TRUE(w.Click(Ctl::Button3));
        ASSERT_TRUE(w.RunUntil([] { return EpoUploadRunning.load() == 1 && EpoThread.load(); }, 20s));
        w.RunFor(1500ms);
        EXPECT_EQ(LastBox(kAgps), nullptr);
        EXPECT_FALSE(UploadEnded());
        EXPECT_FALSE(w.Enabled(Ctl::hot));

        w.Click(Ctl::Button1);  // the disconnect stops the upload
        EXPECT_TRUE(w.RunUntil([] { return UploadEnded(); }, 5s));
        EXPECT_EQ(LastBox(kAgps), nullptr);
        if (c.lineSurvives) {
            w.Click(Ctl::Button1);
            EXPECT_TRUE(w.Enabled(Ctl::Button3));
            EXPECT_TRUE(w.Enabled(Ctl::hot));
            EXPECT_TRUE(SentencesFlow());
            w.Click(Ctl::Button1);
        }
        sim_->Stop();
    }
}

TEST_F(EpoUpdate, FtpFailuresLeaveTheUpdateButtonUsable) {
    ASSERT_NO_FATAL_FAILURE(Connect({}, "115200"));
    Serve(Flatten(Records(3)));
    const std::string urls[] = {
        ftp_->Url(kEpoLocalName, "wrongpw"),                                            // refused login
        ftp_->Url("MTK14.EPO"),                                                         // missing file
        "ftp://a:b@127.0.0.1:" + std::to_string(DeadPort()) + "/" + kEpoLocalName,  // nobody listening
    };
    for (const auto& url : urls) {
        SCOPED_TRACE(url);
        ::setenv(kEpoUrlVariable, url.c_str(), 1);
        ExpectDownloadError(kFtpFailure);
    }
    EXPECT_TRUE(SentencesFlow());
}

TEST_F(EpoUpdate, RejectedFilesAreNotSent) {
    ASSERT_NO_FATAL_FAILURE(Connect({}, "115200"));
    struct Case {
        std::size_t size;
        bool leftInPlace;
    };
    // 0, not whole records, one record too many; far too large is not even kept.
    const Case cases[] = {{0, true}, {61, true}, {268860, true}, {400000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Serve(std::vector<std::uint8_t>(c.size, 0x11));
        ExpectDownloadError("Cannot open EPO file.");
        EXPECT_EQ(fs::exists(kEpoLocalName), c.leftInPlace);
    }
    EXPECT_TRUE(SentencesFlow());
}

TEST_F(EpoUpdate, OverwritesALeftoverFile) {
    ASSERT_NO_FATAL_FAILURE(Connect({}, "115200"));
    WriteFile(kEpoLocalName, std::vector<std::uint8_t>(61, 0x22));
    const auto records = Records(4);
    Serve(Flatten(records));
    ASSERT_TRUE(RunUpload());
    EXPECT_EQ(LastBox(kAgps)->text, "Update completed.");
    EXPECT_EQ(sim_->EpoRecords(), records);
}

TEST_F(EpoUpdate, ServerThatNeverAnswersKeepsTheWindowResponsiveAndCanBeCalledOff) {
    ASSERT_NO_FATAL_FAILURE(Connect({}, "115200"));
    // Accepts connections (in its backlog) and never says a word.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t len = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string url = "ftp://a:b@127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/x.EPO";
    ::setenv(kEpoUrlVariable, url.c_str(), 1);

    ASSERT_TRUE(w.Click(Ctl::Button3));
    // The window goes on working: sentences keep arriving during the download.
    EXPECT_TRUE(SentencesFlow());
    EXPECT_TRUE(DownloadBusy());
    EXPECT_FALSE(w.Click(Ctl::Button3)) << "Update stays disabled while downloading";

    const auto start = std::chrono::steady_clock::now();
    CancelDownload();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(DownloadBusy());
    w.RunFor(200ms);
    EXPECT_TRUE(w.boxes.empty()) << "a download called off reports nothing";
    ::close(listener);
}

TEST_F(EpoUpdate, NotConnectedOnlyWarns) {
    w.SetText(Ctl::Label39, "before");
    RunHandler(Button3Click);  // the button itself is disabled while not connected
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0].text, "No connected.");
    EXPECT_EQ(w.boxes[0].title, "Warning");
    EXPECT_EQ(w.boxes[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(w.boxes[0].errorBox);
    EXPECT_FALSE(DownloadBusy());
    EXPECT_EQ(w.Text(Ctl::Label39), "before");
}

}  // namespace
}  // namespace qv::epo

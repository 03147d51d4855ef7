// The sentence log: file name, creation, the bytes recorded and the two buttons.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "log/Log.h"
#include "window/HeadlessWindow.h"
#include "window/nmea_support.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::Framed;
using testing::HandOver;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetDecodeState();
        Form1 = &window;
        dir = fs::temp_directory_path() /
              ("qv-log-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        logging::StopLogging();
        fs::remove_all(dir);
    }
    void Start(const std::string& name) {
        window.saveAnswers.push_back((dir / name).string());
        logging::StartLogging();
    }
    HeadlessWindow window;
    fs::path dir;
};

TEST_F(LogFile, NameGetsTxtAppended) {
    for (const char* name : {"log", "log.txt"}) {
        Start(name);
        EXPECT_TRUE(fs::exists(dir / (std::string(name) + ".TXT"))) << name;
        logging::StopLogging();
    }
    EXPECT_FALSE(fs::exists(dir / "log"));
    EXPECT_FALSE(fs::exists(dir / "log.txt"));
    EXPECT_EQ(window.saveFilters.back(), "*.txt|*.txt");
}

TEST_F(LogFile, RecordsExactlyTheBytesOfValidSentences) {
    std::ofstream(dir / "run.TXT") << "old content that must go";
    Start("run");
    EXPECT_EQ(fs::file_size(dir / "run.TXT"), 0u);  // an existing file is emptied first

    const std::string gga = Framed("GPGGA,1,2503.1234,N,12131.2389,E,1,4,1.3,12.5,M,,M,,") + "\n\r ";
    const std::string ack = Framed("PMTK001,604,3");
    const std::string txt = Framed("GPTXT,01,01,02,hello");
    HandOver(gga);
    HandOver("$GPGLL,2503.1234,N,12131.2389,E*00\r\n");  // bad checksum
    HandOver("$GPGLL,2503.1234,N\r\n");                 // no checksum
    HandOver(ack);
    HandOver(txt);
    EXPECT_EQ(ReadFile(dir / "run.TXT"), gga + ack + txt);
}

TEST_F(LogFile, ButtonsFollowTheStateAtEachSentence) {
    window.SetEnabled(Ctl::StartLog, false);
    testing::Receive("GPTXT,1");
    EXPECT_TRUE(window.Enabled(Ctl::StartLog));
    EXPECT_FALSE(window.Enabled(Ctl::StopLog));

    window.saveAnswers.push_back((dir / "b").string());
    EXPECT_TRUE(window.Click(Ctl::StartLog));
    EXPECT_EQ(logging::LogActive, 1);
    EXPECT_TRUE(window.Enabled(Ctl::StartLog));  // unchanged until the next sentence
    EXPECT_FALSE(window.Enabled(Ctl::StopLog));
    testing::Receive("GPTXT,1");
    EXPECT_FALSE(window.Enabled(Ctl::StartLog));
    EXPECT_TRUE(window.Enabled(Ctl::StopLog));

    EXPECT_TRUE(window.Click(Ctl::StopLog));
    EXPECT_EQ(logging::LogActive, 0);
    testing::Receive("GPTXT,1");
    EXPECT_TRUE(window.Enabled(Ctl::StartLog));
    EXPECT_FALSE(window.Enabled(Ctl::StopLog));
    EXPECT_EQ(ReadFile(dir / "b.TXT"), Framed("GPTXT,1"));
}

TEST_F(LogFile, CancelledDialogChangesNothing) {
    logging::StartLogging();  // no scripted answer: the dialog is cancelled
    EXPECT_EQ(logging::LogActive, 0);
    EXPECT_EQ(logging::hLogFile, -1);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(LogFile, UncreatableFileShowsOpenErrorAndDoesNotRecord) {
    Start("missing-folder/log");
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "Open Error");
    EXPECT_EQ(window.boxes[0].title, "Open Error");
    EXPECT_EQ(window.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(window.boxes[0].modal);
    EXPECT_EQ(logging::LogActive, 0);
    testing::Receive("GPTXT,1");
    EXPECT_TRUE(window.Enabled(Ctl::StartLog));  // still offered
    EXPECT_FALSE(window.Enabled(Ctl::StopLog));
}

TEST_F(LogFile, OthersMayReadButNoCooperatingWriterMayLock) {
    Start("shared");
    const std::string path = (dir / "shared.TXT").string();
    const int reader = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    EXPECT_NE(::flock(reader, LOCK_EX | LOCK_NB), 0);
    ::close(reader);

    // A second recording to the same name is refused and the first goes on.
    Start("shared");
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "Open Error");
    testing::Receive("GPTXT,1");
    EXPECT_EQ(ReadFile(path), Framed("GPTXT,1"));
}

TEST_F(LogFile, StartingAgainMovesToTheNewFile) {
    Start("first");
    testing::Receive("GPTXT,1");
    Start("second");
    testing::Receive("GPTXT,01,01,02,hello");
    EXPECT_EQ(ReadFile(dir / "first.TXT"), Framed("GPTXT,1"));
    EXPECT_EQ(ReadFile(dir / "second.TXT"), Framed("GPTXT,01,01,02,hello"));
}

TEST_F(LogFile, StopTwiceClosesOnce) {
    Start("twice");
    const int fd = logging::hLogFile;
    ASSERT_GE(fd, 0);
    logging::StopLogging();
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);  // closed
    // A descriptor that reuses the number must survive the second press.
    const int other = ::open((dir / "twice.TXT").c_str(), O_RDONLY);
    ASSERT_GE(other, 0);
    logging::StopLogging();
    EXPECT_NE(::fcntl(other, F_GETFD), -1);
    ::close(other);
    EXPECT_EQ(logging::LogActive, 0);
}

}  // namespace
}  // namespace qv

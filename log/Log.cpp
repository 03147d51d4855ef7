#include "log/Log.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "serial/Serial.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::logging {

std::int32_t LogActive = 0;
int hLogFile = -1;

namespace {

// Creates or empties the log file. Other programs may read it while it is
// recorded; an exclusive advisory lock keeps cooperating writers (another
// instance recording to the same name) out, and is taken before truncating so a
// file in use is never emptied under its writer. -1 on failure.
int CreateLogFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void WriteAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;  // a full disk is not reported; later sentences still try
        data += w;
        n -= static_cast<std::size_t>(w);
    }
}

}  // namespace

void StartLogging() {
    const auto name = Form1->SaveDialog("*.txt|*.txt");
    if (!name) return;
    const int fd = CreateLogFile(*name + ".TXT");
    if (fd < 0) {
        // Recording stays as it was: nothing is marked as recorded that goes nowhere.
        Form1->MessageBox("Open Error", "Open Error", MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (hLogFile >= 0) ::close(hLogFile);  // a second start moves to the new file
    hLogFile = fd;
    LogActive = 1;
}

void StopLogging() {
    LogActive = 0;
    if (hLogFile >= 0) {
        ::close(hLogFile);
        hLogFile = -1;
    }
}

void LogSentence() {
    const bool on = LogActive == 1;
    if (on && hLogFile >= 0) {
        std::size_t len = serial::SentenceLen > 0 ? static_cast<std::size_t>(serial::SentenceLen) : 0;
        if (len > sizeof serial::SentenceBuf) len = sizeof serial::SentenceBuf;
        WriteAll(hLogFile, serial::SentenceBuf, len);
    }
    Form1->SetEnabled(Ctl::StartLog, !on);
    Form1->SetEnabled(Ctl::StopLog, on);
}

void StartLogClick() { StartLogging(); }
void StopLogClick() { StopLogging(); }

}  // namespace qv::logging

#include "serial/Serial.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <vector>

#include "config/State.h"
#include "epo/Epo.h"
#include "nmea/State.h"
#include "serial/Demo.h"
#include "serial/Reader.h"
#include "window/Controls.h"

namespace qv::serial {

PortHandle hComPort;
std::atomic<std::uint32_t> BytesWritten{0};
char SentenceBuf[kSentenceBufSize];
std::int32_t SentenceLen = 0;

namespace {

constexpr int kReadTimeoutMs = 500;
constexpr int kWriteTimeoutMs = 100;
constexpr int kInputQueue = 8192;
constexpr int kOutputQueue = 1024;

// The buttons that need an open port, in the order a connect enables them...
constexpr Ctl kEnabledOnConnect[] = {
    Ctl::hot,       Ctl::warm,       Ctl::cold,       Ctl::StartLog, Ctl::btNAQuery, Ctl::btDefault,
    Ctl::btConfirm, Ctl::btDGQuery,  Ctl::btDGPSSet,  Ctl::btVerQuery, Ctl::btFixQuery,
    Ctl::btFixSet,  Ctl::Button2,    Ctl::Button3,    Ctl::Button4,  Ctl::btBrSet,
};
// ...and in the order a disconnect disables them (StopLog too).
constexpr Ctl kDisabledOnDisconnect[] = {
    Ctl::hot,       Ctl::warm,       Ctl::cold,       Ctl::StartLog,  Ctl::btNAQuery, Ctl::btDefault,
    Ctl::btConfirm, Ctl::btDGQuery,  Ctl::btDGPSSet,  Ctl::btVerQuery, Ctl::StopLog,  Ctl::btFixQuery,
    Ctl::btFixSet,  Ctl::Button2,    Ctl::Button3,    Ctl::Button4,   Ctl::btBrSet,
};

// The readers: the current one, and stopped ones kept until they have finished
// (a stopped reader may still be handing over its last sentences).
std::mutex readersMu;
std::shared_ptr<Thread1> ReaderThread;
std::vector<std::shared_ptr<Thread1>> stoppedReaders;
// Set while the window closes: a late upload thread must not start a reader.
std::atomic<bool> shuttingDown{false};

void ReapStoppedLocked() {
    std::erase_if(stoppedReaders, [](const auto& r) { return r->Finished(); });
}

// The text of a list as an integer, 0 when it is not one (blanks before it and
// a sign allowed, nothing after it, no overflow).
std::int64_t TextToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-') ++i;
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data() + i, end, value);
    if (ec != std::errc() || ptr != end) return 0;
    return value;
}

// The device path for the port list's text; empty when the text names no port.
std::string DevicePath(const std::string& portText, std::uint32_t baudHint) {
    if (portText == platform::kDemoPortName) return DemoDevicePath(baudHint);
    return platform::ResolvePortName(portText);
}

[[noreturn]] void FailAfterOpen(const char* message) {
    // Left open, the exclusive port would refuse the next connect.
    hComPort.Close();
    throw AppError(message);
}

void Connect() {
    config::QueryStep = 0;
    Form1->SetText(Ctl::Edit1, "0");
    OpenComPort();
    Form1->SetTimerEnabled(Timer::Timer3, true);
    Form1->SetText(Ctl::Button1, "Off");
    Form1->SetEnabled(Ctl::ComboBox1, false);
    Form1->SetEnabled(Ctl::ComboBox2, false);
    for (Ctl c : kEnabledOnConnect) Form1->SetEnabled(c, true);
    nmea::Fix3dFromGN = 0;
}

void Disconnect() {
    Form1->SetTimerEnabled(Timer::Timer2, false);
    Form1->SetTimerEnabled(Timer::Timer3, false);
    config::QueryStep = 0;
    StopReader(false);
    if (epo::EpoUploadRunning.load() == 1) epo::StopUpload();
    hComPort.Close();
    Form1->SetText(Ctl::Button1, "On");
    Form1->SetEnabled(Ctl::ComboBox1, true);
    Form1->SetEnabled(Ctl::ComboBox2, true);
    for (Ctl c : kDisabledOnDisconnect) Form1->SetEnabled(c, false);
}

}  // namespace

void Button1Click() {
    nmea::GsvTalkerGlonass = 0;
    if (Form1->Text(Ctl::Button1) == "On")
        Connect();
    else
        Disconnect();
}

void OpenComPort() {
    shuttingDown.store(false);
    {
        std::lock_guard lock(readersMu);
        ReapStoppedLocked();
    }
    const std::int64_t baud = TextToInt(Form1->Text(Ctl::ComboBox2));
    const std::string path = DevicePath(
        Form1->Text(Ctl::ComboBox1), baud > 0 && baud <= 4000000 ? static_cast<std::uint32_t>(baud) : 0);
    if (path.empty() && Form1->Text(Ctl::ComboBox1) != platform::kDemoPortName)
        throw AppError("Com Port Error!");
    // A port still held (an upload that reopened it after a disconnect) would
    // refuse this open.
    hComPort.Close();
    auto port = path.empty() ? nullptr : platform::SerialPort::Open(path);
    hComPort.Set(port);
    if (!port) throw AppError("Open ComPort failed.");
    port->SetTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
    if (!port->SetQueueSizes(kInputQueue, kOutputQueue)) FailAfterOpen("SetupComm failed.");
    platform::LineSettings settings;
    if (!port->GetSettings(settings)) FailAfterOpen("GetCommState failed.");
    if (baud == 0) FailAfterOpen("Error baud rate.");
    if (baud < 0 || baud > std::numeric_limits<std::uint32_t>::max())
        FailAfterOpen("SetCommState failed.");
    settings.baud = static_cast<std::uint32_t>(baud);
    settings.dataBits = 8;
    settings.parity = false;
    settings.stopBits = 1;
    if (!port->SetSettings(settings)) FailAfterOpen("SetCommState failed.");
    if (!port->Purge()) FailAfterOpen("PurgeComm failed.");
    StartReader();
    Form1->SetTimerEnabled(Timer::Timer2, true);
}

void WritePort(const void* data, std::size_t len) {
    const auto port = hComPort.Get();
    const int n = port ? port->Write(data, len) : 0;
    BytesWritten.store(n > 0 ? static_cast<std::uint32_t>(n) : 0);
}

void FlushPort() {
    if (const auto port = hComPort.Get()) port->Flush();
}

bool Connected() { return Form1 && Form1->Text(Ctl::Button1) == "Off"; }

void StartReader() {
    std::lock_guard lock(readersMu);
    if (shuttingDown.load()) return;
    ReapStoppedLocked();
    if (ReaderThread) {
        ReaderThread->Terminate();
        stoppedReaders.push_back(std::move(ReaderThread));
    }
    auto port = hComPort.Get();
    if (!port) return;
    ReaderThread = std::make_shared<Thread1>(std::move(port));
    ReaderThread->Resume();
}

void StopReader(bool wait) {
    std::shared_ptr<Thread1> reader;
    {
        std::lock_guard lock(readersMu);
        if (!ReaderThread) return;
        reader = ReaderThread;
        reader->Terminate();
        stoppedReaders.push_back(std::move(ReaderThread));
    }
    if (wait) reader->WaitFor();
}

std::shared_ptr<platform::SerialPort> ReopenPort(const std::string& portText, std::uint32_t baud) {
    if (shuttingDown.load() || baud == 0) return nullptr;
    const std::string path = DevicePath(portText, baud);
    auto port = platform::SerialPort::Open(path);
    if (!port) return nullptr;
    platform::LineSettings settings;
    if (!port->GetSettings(settings)) return nullptr;
    settings.baud = baud;
    if (!port->SetSettings(settings)) return nullptr;
    return port;
}

void Shutdown() {
    std::vector<std::shared_ptr<Thread1>> readers;
    {
        std::lock_guard lock(readersMu);
        shuttingDown.store(true);
        if (ReaderThread) readers.push_back(std::move(ReaderThread));
        for (auto& r : stoppedReaders) readers.push_back(std::move(r));
        stoppedReaders.clear();
    }
    for (auto& r : readers) r->Terminate();
    epo::StopUpload();
    hComPort.Close();
    // Waiting keeps their hand-overs running, so the window's thread cannot
    // deadlock with a reader that waits on it.
    for (auto& r : readers) r->WaitFor();
    readers.clear();
    StopDemo();
}

}  // namespace qv::serial

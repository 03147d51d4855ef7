// The upload thread: sends the EPO file packet by packet, each after the
// receiver's acknowledgement of the one before, then the end packet, returns the
// receiver to NMEA output at the window's rate and hands the port back.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "epo/Epo.h"
#include "epo/UploadInternal.h"
#include "serial/Serial.h"
#include "window/Controls.h"

namespace qv::epo {

std::atomic<EPO_PARSE*> EpoThread{nullptr};
std::atomic<std::uint8_t> EpoUploadRunning{0};
UploadState Upload;
std::uint8_t EpoPacketBuf[kEpoPacketSize];
std::FILE* EpoFile = nullptr;
std::string EpoFileName = kEpoLocalName;

namespace {

constexpr int kReceiveBufSize = 5000;  // one read, with room for a terminating zero
constexpr int kPollMs = 10;            // longest wait before the stop request is checked again
constexpr auto kEndPause = std::chrono::milliseconds(1000);
constexpr const char* kAgpsTitle = "AGPS Message";
constexpr std::uint32_t kBinaryModeBaud = 115200;

// Every write goes out alone: both queues emptied first, every byte gone after.
void SendAlone(const std::uint8_t* data, std::size_t n) {
    if (const auto port = serial::hComPort.Get()) port->Purge();
    serial::WritePort(data, n);
    serial::FlushPort();
}

}  // namespace

enum class EPO_PARSE::Outcome : std::uint8_t { Success, TimedOut, Abandoned };

void LetTheLineDrain(std::size_t bytes, std::uint32_t baud) {
    constexpr auto kMargin = std::chrono::milliseconds(50);
    const auto lineTime = std::chrono::microseconds(
        baud > 0 ? static_cast<long long>(bytes) * 10 * 1000000 / baud : 0);
    std::this_thread::sleep_for(lineTime + kMargin);
}

void StopUpload() {
    // A download still running belongs to the same update: it is called off too,
    // and from then on it never touches the window.
    RequestDownloadCancel();
    if (EPO_PARSE* t = EpoThread.load()) t->Terminate();
}

EPO_PARSE::EPO_PARSE() : platform::Thread("EPOThread") {}

EPO_PARSE::~EPO_PARSE() {
    // Stops and waits here, while this object is still whole.
    Terminate();
    WaitFor();
}

void EPO_PARSE::Execute() {
    std::uint8_t nmeaMode[kNmeaModePacketSize];
    std::memcpy(nmeaMode, kNmeaModeTemplate, sizeof nmeaMode);
    std::uint8_t rx[kReceiveBufSize];

    while (!Terminated()) {
        switch (NextSendStep(Upload)) {
            case SendStep::TimedOut: End(Outcome::TimedOut, nmeaMode); continue;
            case SendStep::Finish: End(Outcome::Success, nmeaMode); continue;
            case SendStep::SendNext: SendNextPacket(); break;
            case SendStep::Nothing: break;
        }

        const auto port = serial::hComPort.Get();
        if (!port || !port->WaitReadable(kPollMs)) {
            // A closed or vanished port answers at once: do not spin on it.
            if (!port || port->QueuedInput() < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        std::memset(rx, 0, sizeof rx);
        const int n = port->Read(rx, sizeof rx - 1);
        if (n <= 0) continue;
        if (ReceiveChunk(Upload, rx, static_cast<std::size_t>(n)) == RxResult::Abandon)
            End(Outcome::Abandoned, nmeaMode);
    }
}

void EPO_PARSE::SendNextPacket() {
    // A file that ends early sends nothing; the same packet is tried again next pass.
    if (!EpoReadPacket(EpoNextSeq, EpoFile, EpoPacketBuf)) return;
    SendAlone(EpoPacketBuf, kEpoPacketSize);
    PacketSent(Upload);
    const std::string text = ProgressText(ProgressPercent(Upload));
    Synchronize([&text] { Form1->SetText(Ctl::Label39, text); });
}

void EPO_PARSE::End(Outcome outcome, std::uint8_t* nmeaMode) {
    if (outcome == Outcome::Success) {
        EpoEndPacket(EpoPacketBuf);
        SendAlone(EpoPacketBuf, kEpoPacketSize);  // no acknowledgement is awaited
    }
    EpoBinarySeen = 0;
    if (EpoFile) std::fclose(EpoFile);
    EpoFile = nullptr;
    std::remove(EpoFileName.c_str());
    EpoNextSeq = 0;
    EpoTransferActive = 0;
    if (outcome == Outcome::Success) std::this_thread::sleep_for(kEndPause);

    // A disconnect meanwhile owns the port from here on: leave it alone.
    if (!Terminated()) {
        // The window's port list and rate, as they read now.
        std::string portText = EpoPortText, baudText = EpoBaudText;
        Synchronize([&] {
            portText = Form1->Text(Ctl::ComboBox1);
            baudText = Form1->Text(Ctl::ComboBox2);
        });
        SetNmeaModeBaud(nmeaMode, baudText);
        SendAlone(nmeaMode, kNmeaModePacketSize);
        LetTheLineDrain(kNmeaModePacketSize, kBinaryModeBaud);
        HandBackPort(portText, BaudFromText(baudText));
    }
    if (outcome != Outcome::Success) EpoAckCountdown = kAckPatience;
    EpoUploadRunning = 0;

    // An abandoned transfer (a bad acknowledgement) ends like a timed-out one.
    const char* message = outcome == Outcome::Success    ? "Update completed."
                          : outcome == Outcome::TimedOut ? "ACK Failed,Please Try Again!."
                                                         : "Action Fail,Plaese try again!";
    const char* label = outcome == Outcome::Success ? "Update Success" : "Update Failed!";
    Synchronize([message, label] {
        Form1->MessageBox(message, kAgpsTitle, MsgButtons::Ok, MsgIcon::None);
        Form1->SetText(Ctl::Label39, label);
        // A disconnect while the transfer ended has already disabled everything.
        if (serial::Connected()) RestorePortButtons();
    });
    Terminate();
}

void EPO_PARSE::HandBackPort(const std::string& portText, std::uint32_t baud) {
    if (Terminated()) return;
    serial::hComPort.Close();
    serial::hComPort.Set(serial::ReopenPort(portText, baud));
    if (Terminated()) {
        // The disconnect may have closed the old handle just before ours was stored.
        serial::hComPort.Close();
        return;
    }
    serial::StartReader();
}

}  // namespace qv::epo

// The Update button: downloads the EPO file on a worker thread, checks it,
// switches the receiver to binary mode, takes the port from the reader and starts
// the upload thread.
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "epo/Download.h"
#include "epo/Epo.h"
#include "epo/UploadInternal.h"
#include "serial/Serial.h"
#include "window/Controls.h"
#include "window/Handlers.h"

namespace qv::epo {

std::string EpoPortText;
std::string EpoBaudText;

namespace {

constexpr const char* kFtpFailure =
    "Failed to connect to AGPS server. \r\nPlease check your network connection.";
constexpr const char* kFileRejected = "Cannot open EPO file.";
constexpr std::uint32_t kBinaryModeBaud = 115200;

// The buttons that write to the port besides Update. Those a connection enables
// come back enabled; the EASY pair keeps what it had, as a connection leaves it.
constexpr Ctl kPortButtons[] = {
    Ctl::hot,        Ctl::warm,     Ctl::cold,       Ctl::btDefault, Ctl::btNAQuery, Ctl::btConfirm,
    Ctl::btDGQuery,  Ctl::btDGPSSet, Ctl::btVerQuery, Ctl::btFixQuery, Ctl::btFixSet, Ctl::btQEasy,
    Ctl::btSetEasy,  Ctl::Button2,  Ctl::Button4,    Ctl::btBrSet,
};
bool easyQueryWasEnabled = false, easySetWasEnabled = false;

// The one upload thread object; the previous one is released when the next
// update begins, once it has ended.
std::unique_ptr<EPO_PARSE> uploadOwner;

// Runs the download on its own thread so the window never waits for the network,
// then continues on the window's thread.
class Downloader {
public:
    ~Downloader() {
        RequestCancel();
        Join();
    }

    // A download runs and nobody has called it off.
    bool Busy() const { return worker_.joinable() && !cancel_.load(); }

    void Start(EpoSource source, Controls* window) {
        Join();  // a worker called off earlier has ended or ends now
        cancel_.store(false);
        worker_ = std::thread([this, source = std::move(source), window] {
            auto result = std::make_shared<FetchResult>(FetchEpoFile(source, cancel_));
            if (result->status == FetchResult::Status::Ok) SaveFile(*result);
            if (result->status == FetchResult::Status::TooLarge)
                std::remove(kEpoLocalName);  // a leftover must not stand in for it
            // Under the lock: once RequestCancel() has returned, the window is not touched.
            std::lock_guard lock(mu_);
            if (!cancel_.load() && window) window->Queue([result] { Finished(*result); });
        });
    }

    // Window's thread: waits for the worker (at once when it has handed over).
    void Join() {
        if (worker_.joinable()) worker_.join();
    }

    // Any thread, without waiting: the transfer is abandoned and its result dropped.
    void RequestCancel() {
        std::lock_guard lock(mu_);
        cancel_.store(true);
    }

private:
    static void SaveFile(FetchResult& r) {
        std::FILE* f = std::fopen(kEpoLocalName, "wb");
        bool ok = f != nullptr;
        if (ok && !r.body.empty()) ok = std::fwrite(r.body.data(), 1, r.body.size(), f) == r.body.size();
        if (f && std::fclose(f) != 0) ok = false;
        if (!ok) {
            std::remove(kEpoLocalName);
            r.status = FetchResult::Status::TooLarge;  // no usable file: rejected like one
            r.error = "cannot write the local file";
        }
    }

    static void Finished(const FetchResult& r);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::mutex mu_;
};

Downloader& TheDownloader() {
    static Downloader d;
    return d;
}

void RejectFile() {
    Form1->SetText(Ctl::Label39, "");
    Form1->SetEnabled(Ctl::Button3, true);
    Form1->ShowError(kFileRejected);
}

// Switches the receiver to binary mode, takes the port from the reader and
// reopens it at 115200 baud, then starts the upload thread.
void StartTransfer() {
    PrepareTransfer(Upload, EpoPacketCount(EpoFile));
    serial::WritePort(kBinaryModeSentence.data(), kBinaryModeSentence.size());
    serial::FlushPort();  // the sentence must have left before the port closes
    LetTheLineDrain(kBinaryModeSentence.size(), BaudFromText(Form1->Text(Ctl::ComboBox2)));
    EpoUploadRunning = 1;
    // The reader must be gone before the upload thread reads the port.
    serial::StopReader(true);
    serial::hComPort.Close();
    EpoPortText = Form1->Text(Ctl::ComboBox1);
    EpoBaudText = Form1->Text(Ctl::ComboBox2);
    serial::hComPort.Set(serial::ReopenPort(EpoPortText, kBinaryModeBaud));

    Form1->SetEnabled(Ctl::Button3, false);
    DisablePortButtons();
    uploadOwner = std::make_unique<EPO_PARSE>();
    EpoThread = uploadOwner.get();
    uploadOwner->Resume();
}

void Downloader::Finished(const FetchResult& r) {
    TheDownloader().Join();
    if (!serial::Connected()) {
        // Disconnected meanwhile: the disconnect has set the buttons.
        Form1->SetText(Ctl::Label39, "");
        return;
    }
    switch (r.status) {
        case FetchResult::Status::Failed:
        case FetchResult::Status::Cancelled:
            Form1->SetText(Ctl::Label39, "");
            Form1->SetEnabled(Ctl::Button3, true);
            Form1->ShowError(kFtpFailure);
            return;
        case FetchResult::Status::TooLarge: RejectFile(); return;
        case FetchResult::Status::Ok: break;
    }
    EpoFileName = kEpoLocalName;
    EpoFile = std::fopen(EpoFileName.c_str(), "rb");
    if (!EpoFile || !EpoFileValid(EpoFile)) {
        if (EpoFile) std::fclose(EpoFile);
        EpoFile = nullptr;
        RejectFile();
        return;
    }
    StartTransfer();
}

// An earlier upload thread is released once it has ended (a disconnect has
// asked it to stop, or it stopped itself at its ending).
void ReleaseUpload() {
    EpoThread = nullptr;
    uploadOwner.reset();
}

}  // namespace

void DisablePortButtons() {
    easyQueryWasEnabled = Form1->Enabled(Ctl::btQEasy);
    easySetWasEnabled = Form1->Enabled(Ctl::btSetEasy);
    for (Ctl c : kPortButtons) Form1->SetEnabled(c, false);
}

void RestorePortButtons() {
    for (Ctl c : kPortButtons) Form1->SetEnabled(c, true);
    Form1->SetEnabled(Ctl::btQEasy, easyQueryWasEnabled);
    Form1->SetEnabled(Ctl::btSetEasy, easySetWasEnabled);
    Form1->SetEnabled(Ctl::Button3, true);
}

void RequestDownloadCancel() { TheDownloader().RequestCancel(); }

bool DownloadBusy() { return TheDownloader().Busy(); }

void CancelDownload() {
    TheDownloader().RequestCancel();
    TheDownloader().Join();
}

void Button3Click() {
    if (TheDownloader().Busy()) return;  // one download at a time
    ReleaseUpload();
    ResetUploadState(Upload);
    EpoUploadRunning = 0;
    if (EpoFile) std::fclose(EpoFile);
    EpoFile = nullptr;

    if (!serial::Connected()) {
        Form1->MessageBox("No connected.", "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    Form1->SetEnabled(Ctl::Button3, false);
    Form1->SetText(Ctl::Label39, "Downloading EPO File...\r\n");
    TheDownloader().Start(CurrentEpoSource(), Form1);
}

}  // namespace qv::epo

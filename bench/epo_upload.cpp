// A 7-day EPO file (53760 bytes, 299 packets) carried to the simulated receiver
// at 115200 baud through the whole update: the Update button on the headless
// window, the download (a file:// source), the switch to binary mode, the upload
// thread, the end packet, the pause and the switch back to NMEA.
//
// Prints the elapsed time, the line's own minimum for the same exchange (every
// byte of the data and end packets, the acknowledgements and the NMEA-mode
// packet at 10 bits per byte, plus the one-second pause before switching back)
// and their ratio. The simulated line paces only what the receiver sends, so a
// second figure compares with that paced part alone (the acknowledgements and the
// pause): the program's own overhead per packet shows there. Measures only: it
// never fails on a time.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "epo/Epo.h"
#include "serial/Serial.h"
#include "sim/Simulator.h"
#include "window/HeadlessWindow.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 896;  // 7 days
constexpr std::uint32_t kBaud = 115200;

bool UploadEnded() {
    auto* t = qv::epo::EpoThread.load();
    return t && t->Finished();
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/qv-epo-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const fs::path dir = tmpl;
    const fs::path home = fs::current_path();
    fs::current_path(dir);

    const fs::path source = dir / "source.EPO";
    {
        std::ofstream out(source, std::ios::binary);
        for (int i = 0; i < kRecords; ++i) {
            const auto r = qv::sim::MakeEpoRecord(400000u + static_cast<unsigned>(i) * 6u / 32u);
            out.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size()));
        }
    }
    ::setenv(qv::epo::kEpoUrlVariable, ("file://" + source.string()).c_str(), 1);

    qv::sim::Options options;
    options.baud = kBaud;
    qv::sim::Simulator sim(options);
    if (!sim.Start()) return 1;
    int rc = 1;
    {
        qv::HeadlessWindow w;
        w.Type(qv::Ctl::ComboBox1, sim.DevicePath());
        w.Type(qv::Ctl::ComboBox2, std::to_string(kBaud));
        w.Click(qv::Ctl::Button1);
        w.SetTimerEnabled(qv::Timer::Timer2, false);  // only the upload on the line
        w.RunUntil([] { return qv::serial::SentenceLen > 0; }, 5s);

        const auto start = Clock::now();
        w.Click(qv::Ctl::Button3);
        const bool done = w.RunUntil(
            [&] { return !w.boxes.empty() && w.boxes.back().title == "AGPS Message"; }, 120s);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        w.RunUntil(UploadEnded, 10s);

        const int packets = (kRecords + 2) / 3;
        const double bytes = (packets + 1) * 191.0 + packets * 12.0 + 14.0;
        const double minimum = bytes * 10.0 / kBaud + 1.0;
        // A pseudo-terminal hands the program's own writes over at once; only the
        // receiver's side is paced. What that line can carry at best:
        const double ackBytes = packets * 12.0;
        const double ptyMinimum = ackBytes * 10.0 / kBaud + 1.0;
        const bool stored = sim.EpoRecords().size() == static_cast<std::size_t>(kRecords);
        std::printf("epo-upload: %d packets at %u baud, outcome \"%s\", receiver holds %zu records\n",
                    packets, kBaud, done ? w.boxes.back().text.c_str() : "(none)",
                    sim.EpoRecords().size());
        std::printf("elapsed %.3f s, line minimum %.3f s (%.0f bytes + 1 s pause), ratio %.3f\n",
                    elapsed, minimum, bytes, elapsed / minimum);
        std::printf("paced part only (the %.0f acknowledgement bytes + 1 s pause): %.3f s, ratio %.3f\n",
                    ackBytes, ptyMinimum, elapsed / ptyMinimum);
        rc = done && stored ? 0 : 1;

        w.Click(qv::Ctl::Button1);
        w.RunUntil(UploadEnded, 5s);
        qv::serial::Shutdown();
    }
    sim.Stop();
    fs::current_path(home);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return rc;
}

// quorvex-cli: the same behaviour as the window, without a screen. Connects to a
// port (the built-in simulated receiver by default), shows the decoded status
// once a second and can record the sentences, like the window's LOG buttons.
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/SerialPort.h"
#include "serial/Serial.h"
#include "window/Automation.h"
#include "window/HeadlessWindow.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct Args {
    std::string port = std::string(qv::platform::kDemoPortName);
    std::string baud = "115200";
    std::string log;  // recorded to <log>.TXT
    double seconds = 0;  // 0: until interrupted
    bool quiet = false;
    bool stats = false;
    bool fullLoad = false;  // every sentence on, fastest fix rate the line allows
};

void Usage() {
    std::fprintf(stderr,
                 "usage: quorvex-cli [--port NAME|PATH] [--baud N] [--seconds S] [--log NAME]\n"
                 "                   [--quiet] [--stats] [--full-load]\n"
                 "  --port    Com<N>, a device path or \"Demo receiver\" (default)\n"
                 "  --log     record every valid sentence to NAME.TXT\n"
                 "  --stats   print counts, CPU time and memory at the end\n"
                 "  --full-load  once the settings are read back, turn every sentence on and\n"
                 "               set the fastest fix rate the bandwidth estimate allows\n");
}

bool Parse(int argc, char** argv, Args& a) {
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (opt == "--port") {
            if (!value(a.port)) return false;
        } else if (opt == "--baud") {
            if (!value(a.baud)) return false;
        } else if (opt == "--log") {
            if (!value(a.log)) return false;
        } else if (opt == "--seconds") {
            if (!value(v)) return false;
            a.seconds = std::atof(v.c_str());
        } else if (opt == "--quiet") {
            a.quiet = true;
        } else if (opt == "--stats") {
            a.stats = true;
        } else if (opt == "--full-load") {
            a.fullLoad = true;
        } else {
            return false;
        }
    }
    return true;
}

// Error boxes and messages go to stderr as they appear.
void ReportBoxes(qv::HeadlessWindow& w, std::size_t& seen) {
    for (; seen < w.boxes.size(); ++seen)
        std::fprintf(stderr, "[%s] %s\n", w.boxes[seen].title.c_str(), w.boxes[seen].text.c_str());
}

long ResidentKiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
    std::fclose(f);
    return kib;
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    if (!Parse(argc, argv, args)) {
        Usage();
        return 2;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    qv::HeadlessWindow w;
    w.pollInterval = std::chrono::milliseconds(1000);  // nothing here changes behind its back
    std::size_t seenBoxes = 0;
    const bool connected = qv::automation::Connect(args.port, args.baud);
    ReportBoxes(w, seenBoxes);
    if (!connected) return 1;
    if (args.fullLoad) {
        // After the automatic queries (3.5 s), so their replies do not undo the choice.
        w.RunFor(std::chrono::milliseconds(4000));
        qv::automation::AllSentencesOn();
        w.RunFor(std::chrono::milliseconds(500));
        const int hz = qv::automation::FastestFixRate();
        ReportBoxes(w, seenBoxes);
        std::fprintf(stderr, "full load: every sentence on, %d fixes per second\n", hz);
    }

    if (!args.log.empty()) {
        w.saveAnswers.push_back(args.log);
        qv::automation::StartLog();
        ReportBoxes(w, seenBoxes);
    }
    const long rssStart = ResidentKiB();

    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    auto nextPrint = start + std::chrono::seconds(1);
    while (!g_stop) {
        const auto now = clock::now();
        if (args.seconds > 0 && now - start >= std::chrono::duration<double>(args.seconds)) break;
        w.RunUntil([&] { return g_stop != 0 || clock::now() >= nextPrint; },
                   std::chrono::milliseconds(1000));
        ReportBoxes(w, seenBoxes);
        if (clock::now() >= nextPrint) {
            nextPrint += std::chrono::seconds(1);
            if (!args.quiet)
                std::printf("%s %s  %s %s  alt %s  %s  fix %s  pdop %s\n",
                            w.Text(qv::Ctl::EdDate).c_str(), w.Text(qv::Ctl::EdTime).c_str(),
                            w.Text(qv::Ctl::EdLat).c_str(), w.Text(qv::Ctl::EdLon).c_str(),
                            w.Text(qv::Ctl::EdHeight).c_str(), w.Text(qv::Ctl::EdSpeed).c_str(),
                            w.Text(qv::Ctl::EdMode).c_str(), w.Text(qv::Ctl::EdPDOP).c_str());
            std::fflush(stdout);
        }
    }

    if (!args.log.empty()) qv::automation::StopLog();
    qv::automation::Disconnect();
    qv::serial::Shutdown();
    ReportBoxes(w, seenBoxes);

    if (args.stats) {
        rusage ru{};
        getrusage(RUSAGE_SELF, &ru);
        const double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        const double wall = std::chrono::duration<double>(clock::now() - start).count();
        std::printf("sentences_shown=%llu cpu_seconds=%.3f wall_seconds=%.3f rss_start_kib=%ld "
                    "rss_end_kib=%ld\n",
                    static_cast<unsigned long long>(w.Appended(qv::Ctl::Memo1)), cpu, wall,
                    rssStart, ResidentKiB());
    }
    return 0;
}

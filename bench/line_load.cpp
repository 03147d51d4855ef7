// line-load: the whole program at full line load, end to end.
//
// Starts the simulated receiver at 115200 baud in this process, runs the program
// (quorvex-cli, the headless window, and quorvex, the Qt window offscreen) as a
// child that connects, turns every sentence on, sets the fastest fix rate the
// bandwidth estimate allows and records the sentences, then compares:
//   sent      sentences the receiver sent whole while the program's port was open
//   shown     sentences the program dispatched to its sentence view
//   logged    sentences in the program's log, checked against the sent ones
//             byte for byte as one unbroken run (nothing lost, nothing reordered)
// and reports the program's CPU time as a share of one core and its resident
// memory at the start and the end of the steady state. A second run connects the
// program to a line where nothing arrives and reports its idle CPU share.
//
//   line-load [--seconds N | --minutes N] [--front headless|qt|both] [--idle-seconds N]
//             [--program PATH]   (another build of the chosen front, for comparisons)
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/Simulator.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Sample {
    double cpuSeconds = 0;
    long rssKiB = 0;
};

std::optional<Sample> ReadProc(pid_t pid) {
    Sample s;
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) return std::nullopt;
        // Fields after the command name: state is field 3; utime and stime are 14 and 15.
        std::vector<std::string> f;
        std::size_t pos = close + 2;
        while (pos < text.size()) {
            const auto sp = text.find(' ', pos);
            f.push_back(text.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos));
            if (sp == std::string::npos) break;
            pos = sp + 1;
        }
        if (f.size() < 13) return std::nullopt;
        const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
        s.cpuSeconds = (std::stod(f[11]) + std::stod(f[12])) / tick;
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) s.rssKiB = std::atol(line.c_str() + 6);
    return s;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outPath) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    // The Qt window is measured offscreen: no display is needed and none is drawn on.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::perror(args[0]);
    _exit(127);
}

struct Run {
    double cpuShare = 0;  // of one core, over the steady state
    long rssStart = 0, rssEnd = 0;
    std::string output;
};

// Runs the child, sampling it from `settle` seconds after its start to its end.
Run Measure(const std::vector<std::string>& argv, const fs::path& work, double settle) {
    Run r;
    const std::string outPath = (work / "child.out").string();
    const pid_t pid = Spawn(argv, outPath);
    const auto start = Clock::now();
    std::optional<Sample> first, last;
    Clock::time_point firstAt, lastAt;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        const auto now = Clock::now();
        if (auto s = ReadProc(pid)) {
            if (!first && now - start >= std::chrono::duration<double>(settle)) {
                first = s;
                firstAt = now;
            }
            if (first) {
                last = s;
                lastAt = now;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (first && last && lastAt > firstAt) {
        r.cpuShare = (last->cpuSeconds - first->cpuSeconds) /
                     std::chrono::duration<double>(lastAt - firstAt).count();
        r.rssStart = first->rssKiB;
        r.rssEnd = last->rssKiB;
    }
    std::ifstream out(outPath);
    r.output.assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
    return r;
}

std::vector<std::string> SplitSentences(const std::string& bytes) {
    std::vector<std::string> v;
    std::size_t pos = bytes.find('$');
    while (pos != std::string::npos) {
        const std::size_t next = bytes.find('$', pos + 1);
        v.push_back(bytes.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
        pos = next;
    }
    return v;
}

unsigned long long Field(const std::string& text, const std::string& key) {
    const auto p = text.find(key + "=");
    return p == std::string::npos ? 0 : std::strtoull(text.c_str() + p + key.size() + 1, nullptr, 10);
}

bool FullLoadRun(const std::string& front, const fs::path& program, int seconds, const fs::path& work) {
    qv::sim::Options options;
    options.keepSentences = 2'000'000;
    qv::sim::Simulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "cannot start the simulated receiver\n");
        return false;
    }
    const fs::path log = work / (front + "-log");
    std::vector<std::string> argv = {program.string(), "--port", sim.DevicePath(), "--full-load",
                                     "--log", log.string(), "--seconds", std::to_string(seconds),
                                     "--quiet", "--stats"};
    if (front == "qt") argv.insert(argv.begin() + 1, "--automate");
    // Measure from when the load is set (connect, queries, settings: about 5 s).
    const Run r = Measure(argv, work, 6.0);
    sim.Stop();

    std::ifstream in(log.string() + ".TXT", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto logged = SplitSentences(bytes);
    const auto sent = sim.SentSentences();
    // The log must be one unbroken run of what was sent.
    std::size_t start = 0;
    while (start < sent.size() && !logged.empty() && sent[start] != logged.front()) ++start;
    std::size_t matched = 0;
    while (matched < logged.size() && start + matched < sent.size() &&
           sent[start + matched] == logged[matched])
        ++matched;
    const unsigned long long shown = Field(r.output, "sentences_shown");
    const std::size_t sentDuringLog = sent.size() > start ? sent.size() - start : 0;
    const bool intact = !logged.empty() && matched == logged.size();

    std::printf("%s: %d s at 115200 baud, every sentence on, fastest allowed fix rate\n",
                front.c_str(), seconds);
    std::printf("  sent=%zu shown=%llu  sent_while_logging=%zu logged=%zu in_order=%s"
                " (not yet shown at disconnect: %lld)\n",
                sent.size(), shown, sentDuringLog, logged.size(), intact ? "yes" : "NO",
                static_cast<long long>(sent.size()) - static_cast<long long>(shown));
    std::printf("  cpu=%.2f%% of one core  rss_start=%ld KiB rss_end=%ld KiB growth=%ld KiB\n",
                100.0 * r.cpuShare, r.rssStart, r.rssEnd, r.rssEnd - r.rssStart);
    if (const unsigned long long repaints = Field(r.output, "repaints"); repaints > 0)
        std::printf("  window repaints=%llu (%.1f a second)\n", repaints,
                    static_cast<double>(repaints) / (seconds + 4.0));
    if (!intact || shown == 0) std::printf("  program output:\n%s\n", r.output.c_str());
    return intact;
}

void IdleRun(const std::string& front, const fs::path& program, int seconds, const fs::path& work) {
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    close(slave);
    std::vector<std::string> argv = {program.string(), "--port", name, "--seconds",
                                     std::to_string(seconds + 2), "--quiet", "--stats"};
    if (front == "qt") argv.insert(argv.begin() + 1, "--automate");
    const Run r = Measure(argv, work, 2.0);
    close(master);
    std::printf("%s idle (connected, nothing arriving, %d s): cpu=%.2f%% of one core\n",
                front.c_str(), seconds, 100.0 * r.cpuShare);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60, idleSeconds = 20;
    std::string fronts = "both";
    std::string programOverride;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else if (a == "--minutes" && i + 1 < argc) seconds = 60 * std::atoi(argv[++i]);
        else if (a == "--idle-seconds" && i + 1 < argc) idleSeconds = std::atoi(argv[++i]);
        else if (a == "--front" && i + 1 < argc) fronts = argv[++i];
        else if (a == "--program" && i + 1 < argc) programOverride = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: line-load [--seconds N | --minutes N] [--front headless|qt|both]"
                         " [--idle-seconds N] [--program PATH]\n");
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    const fs::path build = fs::canonical("/proc/self/exe").parent_path().parent_path();
    const fs::path work = fs::temp_directory_path() / ("line-load-" + std::to_string(getpid()));
    fs::create_directories(work);
    bool ok = true;
    for (const std::string front : {"headless", "qt"}) {
        if (fronts != "both" && fronts != front) continue;
        // --program measures another build of the chosen front beside this one.
        const fs::path program = !programOverride.empty() ? fs::path(programOverride)
                                 : front == "qt"           ? build / "app" / "quorvex"
                                                           : build / "cli" / "quorvex-cli";
        if (!fs::exists(program)) {
            std::printf("%s: %s not built, skipped\n", front.c_str(), program.c_str());
            continue;
        }
        ok = FullLoadRun(front, program, seconds, work) && ok;
        if (idleSeconds > 0) IdleRun(front, program, idleSeconds, work);
    }
    fs::remove_all(work);
    return ok ? 0 : 1;
}

// quorvex-sim: the simulated receiver as a program. Prints the device path to
// open, then serves it until SIGINT or SIGTERM.
#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/Simulator.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: quorvex-sim [--baud N] [--seed N] [--generation 1|2|3] [--model TEXT]\n"
                 "                   [--release TEXT] [--fix-interval MS] [--ack-epo-switch]\n");
}

bool Number(const char* text, unsigned long long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    qv::sim::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long n = 0;
        if (a == "--ack-epo-switch") {
            o.ackEpoSwitch = true;
            continue;
        }
        if (!v) {
            Usage();
            return 2;
        }
        ++i;
        if (a == "--model") {
            o.model = v;
        } else if (a == "--release") {
            o.release = v;
        } else if (!Number(v, n)) {
            Usage();
            return 2;
        } else if (a == "--baud" && n > 0 && n <= 4000000) {
            o.baud = static_cast<std::uint32_t>(n);
        } else if (a == "--seed") {
            o.seed = n;
        } else if (a == "--generation" && n >= 1 && n <= 3) {
            o.generation = static_cast<int>(n);
        } else if (a == "--fix-interval" && n >= 100 && n <= 10000) {
            o.fixIntervalMs = static_cast<int>(n);
        } else {
            Usage();
            return 2;
        }
    }

    // Block the stop signals before any thread exists, then wait for one.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    qv::sim::Simulator sim(o);
    if (!sim.Start()) {
        std::fprintf(stderr, "quorvex-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    sim.Stop();
    return 0;
}

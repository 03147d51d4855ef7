#include "app/ScriptedRun.h"

#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Quorvex.h"
#include "platform/SerialPort.h"
#include "window/Automation.h"

namespace qv::app {

namespace {

struct Script {
    std::string port = std::string(platform::kDemoPortName);
    std::string baud = "115200";
    std::string log;
    double seconds = 10;
    bool fullLoad = false;
    bool stats = false;
    std::string grab;  // a picture of the window at the end, for looking at it
};

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void Finish(TForm1& window, const Script& s) {
    if (!s.grab.empty() && !window.grab().save(QString::fromStdString(s.grab)))
        std::fprintf(stderr, "quorvex: cannot save %s\n", s.grab.c_str());
    if (!s.log.empty()) automation::StopLog();
    automation::Disconnect();
    if (s.stats)
        std::printf("sentences_shown=%llu repaints=%llu cpu_seconds=%.3f\n",
                    static_cast<unsigned long long>(window.SentencesShown()),
                    static_cast<unsigned long long>(window.Repaints()), CpuSeconds());
    std::fflush(stdout);
    window.close();
}

}  // namespace

bool StartScriptedRun(TForm1& window, int argc, char** argv) {
    Script s;
    bool automate = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--automate") automate = true;
        else if (a == "--port" && hasValue) s.port = argv[++i];
        else if (a == "--baud" && hasValue) s.baud = argv[++i];
        else if (a == "--log" && hasValue) s.log = argv[++i];
        else if (a == "--seconds" && hasValue) s.seconds = std::atof(argv[++i]);
        else if (a == "--full-load") s.fullLoad = true;
        else if (a == "--grab" && hasValue) s.grab = argv[++i];
        else if (a == "--stats") s.stats = true;
        else if (a == "--quiet") continue;
        else if (automate) {
            std::fprintf(stderr, "quorvex: unknown argument %s\n", a.c_str());
            std::exit(2);
        }
    }
    if (!automate) {
        // A plain start; --start-demo (the run script) presses On when the port
        // list starts on the built-in receiver, so a newcomer sees it stream.
        for (int i = 1; i < argc; ++i) {
            if (std::string(argv[i]) != "--start-demo") continue;
            QTimer::singleShot(0, &window, [] {
                if (Form1->Text(Ctl::ComboBox1) == platform::kDemoPortName)
                    automation::Connect(platform::kDemoPortName, Form1->Text(Ctl::ComboBox2));
            });
        }
        return false;
    }

    QTimer::singleShot(0, &window, [&window, s] {
        if (!automation::Connect(s.port, s.baud)) {
            std::fprintf(stderr, "quorvex: cannot connect to %s\n", s.port.c_str());
            window.close();
            return;
        }
        // After the automatic queries (3.5 s), so their replies do not undo the choice.
        const int settle = s.fullLoad ? 4000 : 0;
        QTimer::singleShot(settle, &window, [&window, s] {
            if (s.fullLoad) {
                automation::AllSentencesOn();
                std::fprintf(stderr, "full load: every sentence on, %d fixes per second\n",
                             automation::FastestFixRate());
            }
            if (!s.log.empty()) {
                window.scriptedSaveName = s.log;
                automation::StartLog();
            }
            QTimer::singleShot(static_cast<int>(s.seconds * 1000), &window,
                               [&window, s] { Finish(window, s); });
        });
    });
    return true;
}

}  // namespace qv::app

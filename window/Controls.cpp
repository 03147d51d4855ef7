#include "window/Controls.h"

#include <array>
#include <exception>

#include "window/Handlers.h"

namespace qv {

Controls* Form1 = nullptr;

namespace {
#define QV_NAME_ENTRY(name) #name,
constexpr std::array<std::string_view, kControlCount> kControlNames = {QV_CONTROLS(QV_NAME_ENTRY)};
#undef QV_NAME_ENTRY
constexpr std::array<std::string_view, kTimerCount> kTimerNames = {"Timer1", "Timer2", "Timer3"};
constexpr std::array<std::string_view, kSeriesCount> kSeriesNames = {
    "Series1", "GPSeries", "GLSeries", "GASeries", "JpSeries"};

constexpr ClickBinding kClickBindings[] = {
    {Ctl::Button1, serial::Button1Click},
    {Ctl::hot, config::hotClick},
    {Ctl::warm, config::warmClick},
    {Ctl::cold, config::coldClick},
    {Ctl::btDefault, config::btDefaultClick},
    {Ctl::btNAQuery, config::btNAQueryClick},
    {Ctl::btFixQuery, config::btFixQueryClick},
    {Ctl::btDGQuery, config::btDGQueryClick},
    {Ctl::btVerQuery, config::btVerQueryClick},
    {Ctl::btQEasy, config::btQEasyClick},
    {Ctl::btConfirm, config::btConfirmClick},
    {Ctl::btFixSet, config::btFixSetClick},
    {Ctl::btDGPSSet, config::btDGPSSetClick},
    {Ctl::btSetEasy, config::btSetEasyClick},
    {Ctl::btBrSet, config::btBrSetClick},
    {Ctl::StartLog, logging::StartLogClick},
    {Ctl::StopLog, logging::StopLogClick},
    {Ctl::Button2, epo::Button2Click},
    {Ctl::Button3, epo::Button3Click},
    {Ctl::Button4, epo::Button4Click},
};
}  // namespace

std::string_view ControlName(Ctl c) { return kControlNames.at(static_cast<std::size_t>(c)); }
std::string_view TimerName(Timer t) { return kTimerNames.at(static_cast<std::size_t>(t)); }
std::string_view SeriesName(Series s) { return kSeriesNames.at(static_cast<std::size_t>(s)); }

Ctl ControlByName(std::string_view name) {
    for (std::size_t i = 0; i < kControlNames.size(); ++i)
        if (kControlNames[i] == name) return static_cast<Ctl>(i);
    return Ctl::Count;
}

std::span<const ClickBinding> ClickBindings() { return kClickBindings; }

void (*ClickHandler(Ctl c))() {
    for (const auto& b : kClickBindings)
        if (b.control == c) return b.handler;
    return nullptr;
}

void (*TimerHandler(Timer t))() {
    switch (t) {
        case Timer::Timer1: return config::Timer1Timer;
        case Timer::Timer2: return config::Timer2Timer;
        case Timer::Timer3: return config::Timer3Timer;
        default: return nullptr;
    }
}

int TimerInterval(Timer t) {
    switch (t) {
        case Timer::Timer1: return 200;
        case Timer::Timer2: return 500;
        case Timer::Timer3: return 100;
        default: return 0;
    }
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void RunHandler(void (*handler)()) {
    if (!handler) return;
    try {
        handler();
    } catch (const AppError& e) {
        if (Form1) Form1->ShowError(e.what());
    } catch (const std::exception& e) {
        // Not one of our own errors: shown with an empty message, as the
        // application's default handler does for foreign objects.
        (void)e;
        if (Form1) Form1->ShowError("");
    }
}

}  // namespace qv

#include "window/HeadlessWindow.h"

#include <algorithm>
#include <cstring>

#include "window/Handlers.h"

namespace qv {

namespace {
// Line breaks in a text; the sentence view counts them on every append.
int CountNewlines(std::string_view t) {
    int n = 0;
    const char* const end = t.data() + t.size();
    for (const char* p = t.data(); (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))); ++p)
        ++n;
    return n;
}
}  // namespace

HeadlessWindow::HeadlessWindow() : windowThread_(std::this_thread::get_id()) {
    for (const auto& d : WindowDesign()) {
        State& s = st(d.control);
        s.text = std::string(d.text);
        s.enabled = d.enabled;
        s.checked = d.checked;
        s.visible = d.visible;
        for (auto& item : DesignItems(d.items)) s.items.push_back(std::move(item));
        if (d.itemIndex >= 0 && d.itemIndex < static_cast<int>(s.items.size())) {
            s.itemIndex = d.itemIndex;
            s.text = s.items[static_cast<std::size_t>(d.itemIndex)];
        }
    }
    SetTimerEnabled(Timer::Timer1, true);
    if (!Form1) Form1 = this;
}

HeadlessWindow::~HeadlessWindow() {
    Close();
    if (Form1 == this) Form1 = nullptr;
}

std::string HeadlessWindow::Text(Ctl c) const { return st(c).text; }

void HeadlessWindow::SetText(Ctl c, std::string_view text) {
    State& s = st(c);
    s.text.assign(text);
    if (!s.items.empty()) s.itemIndex = -1;  // typed text: no item selected
    if (DesignOf(c).kind == Kind::Memo)
        s.lines = 1 + CountNewlines(s.text);
}

bool HeadlessWindow::Checked(Ctl c) const { return st(c).checked; }

void HeadlessWindow::SetChecked(Ctl c, bool on) {
    st(c).checked = on;
    const Ctl partner = RadioPartner(c);
    if (on && partner != Ctl::Count) st(partner).checked = false;
}

bool HeadlessWindow::Enabled(Ctl c) const { return st(c).enabled; }
void HeadlessWindow::SetEnabled(Ctl c, bool on) { st(c).enabled = on; }
bool HeadlessWindow::Visible(Ctl c) const { return st(c).visible; }
void HeadlessWindow::SetVisible(Ctl c, bool on) { st(c).visible = on; }
Color HeadlessWindow::TextColor(Ctl c) const { return st(c).color; }
void HeadlessWindow::SetTextColor(Ctl c, Color color) { st(c).color = color; }
int HeadlessWindow::ItemCount(Ctl c) const { return static_cast<int>(st(c).items.size()); }

std::string HeadlessWindow::Item(Ctl c, int index) const {
    const State& s = st(c);
    if (index < 0 || index >= static_cast<int>(s.items.size())) return {};
    return s.items[static_cast<std::size_t>(index)];
}

void HeadlessWindow::AddItem(Ctl c, std::string_view text) { st(c).items.emplace_back(text); }

void HeadlessWindow::DeleteItem(Ctl c, int index) {
    State& s = st(c);
    if (index < 0 || index >= static_cast<int>(s.items.size())) return;
    s.items.erase(s.items.begin() + index);
    if (s.itemIndex == index) {
        s.itemIndex = -1;
        s.text.clear();
    } else if (s.itemIndex > index) {
        --s.itemIndex;
    }
}

int HeadlessWindow::ItemIndex(Ctl c) const { return st(c).itemIndex; }

void HeadlessWindow::SetItemIndex(Ctl c, int index) {
    State& s = st(c);
    if (index < 0 || index >= static_cast<int>(s.items.size())) {
        s.itemIndex = -1;
        s.text.clear();
        return;
    }
    s.itemIndex = index;
    s.text = s.items[static_cast<std::size_t>(index)];
}

int HeadlessWindow::LineCount(Ctl c) const { return st(c).lines; }
int HeadlessWindow::TextLength(Ctl c) const { return static_cast<int>(st(c).text.size()); }

void HeadlessWindow::AppendText(Ctl c, std::string_view text) {
    State& s = st(c);
    s.text.append(text);
    ++s.appended;
    s.lines += CountNewlines(text);
}

void HeadlessWindow::Record(Box b) {
    boxes.push_back(b);
    if (onBox) onBox(boxes.back());
}

MsgResult HeadlessWindow::MessageBox(std::string_view text, std::string_view title,
                                     MsgButtons buttons, MsgIcon icon) {
    Record({std::string(text), std::string(title), buttons, icon, true, false});
    if (buttons == MsgButtons::Ok) {
        if (!answers.empty() && answers.front() == MsgResult::Ok) answers.pop_front();
        return MsgResult::Ok;
    }
    if (!answers.empty()) {
        const MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return defaultAnswer == MsgResult::Ok ? MsgResult::Yes : defaultAnswer;
}

void HeadlessWindow::ShowMessage(std::string_view text, std::string_view title, MsgIcon icon) {
    Record({std::string(text), std::string(title), MsgButtons::Ok, icon, false, false});
}

void HeadlessWindow::ShowError(std::string_view message) {
    Record({ErrorBoxText(message), std::string(kAppTitle), MsgButtons::Ok, MsgIcon::Error, true,
            true});
}

std::optional<std::string> HeadlessWindow::SaveDialog(std::string_view filter) {
    saveFilters.emplace_back(filter);
    if (saveAnswers.empty()) return std::nullopt;
    auto r = saveAnswers.front();
    saveAnswers.pop_front();
    return r;
}

bool HeadlessWindow::TimerEnabled(Timer t) const { return timerOn_[idx(t)]; }

void HeadlessWindow::SetTimerEnabled(Timer t, bool on) {
    // Enabling a running timer keeps its period, as a real timer does.
    if (on && !timerOn_[idx(t)])
        timerDue_[idx(t)] = std::chrono::steady_clock::now() +
                            std::chrono::milliseconds(TimerInterval(t));
    timerOn_[idx(t)] = on;
}

void HeadlessWindow::SeriesClear(Series s) {
    bars_[idx(s)].clear();
    bubbles_[idx(s)].clear();
    ++clears_[idx(s)];
}

void HeadlessWindow::SeriesAddBar(Series s, double value, std::string_view label, Color color) {
    bars_[idx(s)].push_back({value, std::string(label), color});
}

void HeadlessWindow::SeriesAddBubble(Series s, double x, double y, double radius,
                                     std::string_view label, Color color) {
    bubbles_[idx(s)].push_back({x, y, radius, std::string(label), color});
}

bool HeadlessWindow::IsWindowThread() const { return std::this_thread::get_id() == windowThread_; }

bool HeadlessWindow::Synchronize(const std::function<void()>& fn) {
    if (IsWindowThread()) {
        fn();
        return true;
    }
    bool done = false;
    std::unique_lock lock(mu_);
    if (closing_) return false;
    calls_.push_back({fn, &done});
    cv_.notify_all();
    cv_.wait(lock, [&] { return done || closing_; });
    return done;
}

void HeadlessWindow::Queue(std::function<void()> fn) {
    std::lock_guard lock(mu_);
    if (closing_) return;
    calls_.push_back({std::move(fn), nullptr});
    cv_.notify_all();
}

int HeadlessWindow::ProcessEvents() {
    int ran = 0;
    for (;;) {
        Call call;
        {
            std::lock_guard lock(mu_);
            if (calls_.empty() || closing_) break;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call.fn();
        ++ran;
        if (call.done) {
            std::lock_guard lock(mu_);
            *call.done = true;
            cv_.notify_all();
        }
    }
    return ran;
}

void HeadlessWindow::PumpSynchronize() { ProcessEvents(); }

void HeadlessWindow::FireTimer(Timer t) { RunHandler(TimerHandler(t)); }

bool HeadlessWindow::RunUntil(const std::function<bool()>& pred,
                              std::chrono::milliseconds timeout) {
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + timeout;
    for (;;) {
        ProcessEvents();
        if (pred && pred()) return true;
        const auto now = clock::now();
        for (int i = 0; i < kTimerCount; ++i) {
            if (!timerOn_[static_cast<std::size_t>(i)] || now < timerDue_[static_cast<std::size_t>(i)])
                continue;
            const auto t = static_cast<Timer>(i);
            timerDue_[static_cast<std::size_t>(i)] += std::chrono::milliseconds(TimerInterval(t));
            if (timerDue_[static_cast<std::size_t>(i)] < now)
                timerDue_[static_cast<std::size_t>(i)] = now + std::chrono::milliseconds(TimerInterval(t));
            FireTimer(t);
        }
        if (pred && pred()) return true;
        if (clock::now() >= end) return pred ? pred() : false;
        auto wake = end;
        for (int i = 0; i < kTimerCount; ++i)
            if (timerOn_[static_cast<std::size_t>(i)])
                wake = std::min(wake, timerDue_[static_cast<std::size_t>(i)]);
        // Conditions set by other threads wake no one: look again after a while.
        wake = std::min(wake, clock::now() + pollInterval);
        std::unique_lock lock(mu_);
        cv_.wait_until(lock, wake, [&] { return !calls_.empty() || closing_; });
        if (closing_) return pred ? pred() : false;
    }
}

void HeadlessWindow::RunFor(std::chrono::milliseconds d) { RunUntil(nullptr, d); }

bool HeadlessWindow::Click(Ctl c) {
    if (!st(c).enabled) return false;
    auto handler = ClickHandler(c);
    if (!handler) return false;
    RunHandler(handler);
    return true;
}

void HeadlessWindow::Close() {
    std::lock_guard lock(mu_);
    closing_ = true;
    calls_.clear();
    cv_.notify_all();
}

}  // namespace qv

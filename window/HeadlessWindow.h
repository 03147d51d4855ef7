// The window kept as plain data: the same controls, dialogs, timers and charts as
// the Qt window, without a screen. Dialogs are answered by a script the caller
// sets (or a default) and every box shown is recorded.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "window/Controls.h"
#include "window/Design.h"

namespace qv {

class HeadlessWindow final : public Controls {
public:
    struct Box {
        std::string text, title;
        MsgButtons buttons;
        MsgIcon icon;
        bool modal;     // MessageBox (the caller waited) rather than ShowMessage
        bool errorBox;  // the application's error box
    };
    struct Bar {
        double value;
        std::string label;
        Color color;
    };
    struct Bubble {
        double x, y, radius;
        std::string label;
        Color color;
    };

    // Becomes Form1 when no other window is.
    HeadlessWindow();
    ~HeadlessWindow() override;

    // --- Controls ---
    std::string Text(Ctl c) const override;
    void SetText(Ctl c, std::string_view text) override;
    bool Checked(Ctl c) const override;
    void SetChecked(Ctl c, bool on) override;
    bool Enabled(Ctl c) const override;
    void SetEnabled(Ctl c, bool on) override;
    bool Visible(Ctl c) const override;
    void SetVisible(Ctl c, bool on) override;
    Color TextColor(Ctl c) const override;
    void SetTextColor(Ctl c, Color color) override;
    int ItemCount(Ctl c) const override;
    std::string Item(Ctl c, int index) const override;
    void AddItem(Ctl c, std::string_view text) override;
    void DeleteItem(Ctl c, int index) override;
    int ItemIndex(Ctl c) const override;
    void SetItemIndex(Ctl c, int index) override;
    int LineCount(Ctl c) const override;
    int TextLength(Ctl c) const override;
    void AppendText(Ctl c, std::string_view text) override;
    MsgResult MessageBox(std::string_view text, std::string_view title, MsgButtons buttons,
                         MsgIcon icon) override;
    void ShowMessage(std::string_view text, std::string_view title, MsgIcon icon) override;
    void ShowError(std::string_view message) override;
    std::optional<std::string> SaveDialog(std::string_view filter) override;
    bool TimerEnabled(Timer t) const override;
    void SetTimerEnabled(Timer t, bool on) override;
    void SeriesClear(Series s) override;
    void SeriesAddBar(Series s, double value, std::string_view label, Color color) override;
    void SeriesAddBubble(Series s, double x, double y, double radius, std::string_view label,
                         Color color) override;
    bool Synchronize(const std::function<void()>& fn) override;
    void Queue(std::function<void()> fn) override;
    void PumpSynchronize() override;
    bool IsWindowThread() const override;

    // --- driving it (window's thread) ---
    // A click as the user makes it: nothing when the button is disabled.
    bool Click(Ctl c);
    // Typing into an edit or list (a list's selection is then lost).
    void Type(Ctl c, std::string_view text) { SetText(c, text); }
    // Runs hand-overs, queued calls and due timers until pred() holds or the time
    // is up; returns pred(). Timers fire at their intervals in real time.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
    void RunFor(std::chrono::milliseconds d);
    // How often RunUntil looks at its condition when nothing else wakes it: the
    // condition may change on another thread without telling the window.
    std::chrono::milliseconds pollInterval{5};
    // Runs pending hand-overs and queued calls once; returns how many ran.
    int ProcessEvents();
    // Calls a timer's handler now, as its tick would.
    void FireTimer(Timer t);
    // No further hand-overs run; waiting workers are released.
    void Close();

    // --- dialog scripts and records ---
    std::deque<MsgResult> answers;  // next answers for MessageBox; then defaultAnswer
    MsgResult defaultAnswer = MsgResult::Ok;  // Ok boxes always answer Ok
    std::function<void(const Box&)> onBox;  // called for every box, modal or not
    std::deque<std::optional<std::string>> saveAnswers;  // empty: the dialog is cancelled
    std::vector<Box> boxes;
    std::vector<std::string> saveFilters;

    // Insertions into a multi-line text since start: the sentences shown.
    std::uint64_t Appended(Ctl c) const { return st(c).appended; }

    const std::vector<Bar>& Bars(Series s) const { return bars_[idx(s)]; }
    const std::vector<Bubble>& Bubbles(Series s) const { return bubbles_[idx(s)]; }
    int SeriesClears(Series s) const { return clears_[idx(s)]; }

private:
    struct State {
        std::string text;
        bool checked = false, enabled = true, visible = true;
        Color color = colors::Black;
        std::vector<std::string> items;
        int itemIndex = -1;
        int lines = 1;  // line count of a multi-line text
        std::uint64_t appended = 0;
    };
    template <typename E>
    static std::size_t idx(E e) {
        return static_cast<std::size_t>(e);
    }
    State& st(Ctl c) { return controls_.at(idx(c)); }
    const State& st(Ctl c) const { return controls_.at(idx(c)); }
    void Record(Box b);

    std::array<State, kControlCount> controls_;
    std::array<bool, kTimerCount> timerOn_{};
    std::array<std::chrono::steady_clock::time_point, kTimerCount> timerDue_{};
    std::array<std::vector<Bar>, kSeriesCount> bars_;
    std::array<std::vector<Bubble>, kSeriesCount> bubbles_;
    std::array<int, kSeriesCount> clears_{};

    std::thread::id windowThread_;
    mutable std::mutex mu_;
    std::condition_variable cv_;
    struct Call {
        std::function<void()> fn;
        bool* done;  // null for queued calls
    };
    std::deque<Call> calls_;
    bool closing_ = false;
};

}  // namespace qv

// The contract between the behaviour and a window: every handler, timer step and
// decoder reaches the controls, dialogs, timers and charts through it, by name.
// Two real implementations exist: the Qt window (app/) and HeadlessWindow.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "window/ControlNames.h"

namespace qv {

// Colours are 0x00BBGGRR values: 0xFF0000 is blue, 0x0000FF red.
using Color = std::uint32_t;
namespace colors {
constexpr Color Black = 0x000000;
constexpr Color Red = 0x0000FF;
constexpr Color Blue = 0xFF0000;
constexpr Color Green = 0x008000;
constexpr Color Yellow = 0x00FFFF;
constexpr Color Silver = 0xC0C0C0;
}  // namespace colors

enum class MsgButtons : std::uint8_t { Ok, YesNo };
enum class MsgIcon : std::uint8_t { None, Error, Warning, Information };
enum class MsgResult : std::uint8_t { Ok, Yes, No };

// The application's title: caption of the window and of the default error box.
inline constexpr std::string_view kAppTitle = "Quorvex v2.0.25";

// A failure that carries the text the user sees. Raised by handlers; the binding
// layer shows it in the application's error box and abandons the handler.
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Controls {
public:
    virtual ~Controls() = default;

    // Text of an edit or list, caption of a button, label or check box.
    virtual std::string Text(Ctl c) const = 0;
    virtual void SetText(Ctl c, std::string_view text) = 0;
    virtual bool Checked(Ctl c) const = 0;
    // Checking a radio button unchecks the other button of its own pair only.
    virtual void SetChecked(Ctl c, bool on) = 0;
    virtual bool Enabled(Ctl c) const = 0;
    virtual void SetEnabled(Ctl c, bool on) = 0;
    virtual bool Visible(Ctl c) const = 0;
    virtual void SetVisible(Ctl c, bool on) = 0;
    virtual Color TextColor(Ctl c) const = 0;
    virtual void SetTextColor(Ctl c, Color color) = 0;

    // Drop-down lists. ItemIndex is -1 when the text matches no selected item.
    virtual int ItemCount(Ctl c) const = 0;
    virtual std::string Item(Ctl c, int index) const = 0;
    virtual void AddItem(Ctl c, std::string_view text) = 0;
    virtual void DeleteItem(Ctl c, int index) = 0;
    virtual int ItemIndex(Ctl c) const = 0;
    virtual void SetItemIndex(Ctl c, int index) = 0;

    // The multi-line sentence view: counts as the control reports them, and an
    // insertion at the caret (the end).
    virtual int LineCount(Ctl c) const = 0;
    virtual int TextLength(Ctl c) const = 0;
    virtual void AppendText(Ctl c, std::string_view text) = 0;

    // A modal message box without owner window; returns the user's answer.
    virtual MsgResult MessageBox(std::string_view text, std::string_view title,
                                 MsgButtons buttons, MsgIcon icon) = 0;
    // The same box shown without waiting for the user: the caller goes on at once.
    // Boxes appear in the order they were shown.
    virtual void ShowMessage(std::string_view text, std::string_view title, MsgIcon icon) = 0;
    // The application's default error box for an AppError (see ErrorBoxText).
    virtual void ShowError(std::string_view message) = 0;
    // The save-file dialog with its filter; nullopt when cancelled.
    virtual std::optional<std::string> SaveDialog(std::string_view filter) = 0;

    virtual bool TimerEnabled(Timer t) const = 0;
    virtual void SetTimerEnabled(Timer t, bool on) = 0;

    virtual void SeriesClear(Series s) = 0;
    virtual void SeriesAddBar(Series s, double value, std::string_view label, Color color) = 0;
    virtual void SeriesAddBubble(Series s, double x, double y, double radius,
                                 std::string_view label, Color color) = 0;

    // Runs fn on the window's thread and waits for it; runs it directly when
    // called on that thread. Returns false (fn not run) once the window is closing.
    virtual bool Synchronize(const std::function<void()>& fn) = 0;
    // Runs fn on the window's thread later, without waiting.
    virtual void Queue(std::function<void()> fn) = 0;
    // On the window's thread: run the hand-overs that worker threads are waiting
    // on, so the window can wait for a worker without a deadlock.
    virtual void PumpSynchronize() = 0;
    virtual bool IsWindowThread() const = 0;
};

// The one window, reached by every handler. Set by whoever creates the window.
extern Controls* Form1;

// The text of the default error box: "." is appended when the message is not
// empty and its last byte sorts after ".".
std::string ErrorBoxText(std::string_view message);

// Runs a handler as the window's event binding does: an AppError (or any other
// escaping exception) is shown in the error box and the handler is abandoned.
void RunHandler(void (*handler)());

}  // namespace qv

// The main window: every named control of the design as a real widget, the
// painted title bar, the two pages and their image buttons, the timers and the
// charts. Handlers reach it only through qv::Controls.
#pragma once

#include <cstdint>
#include <optional>
#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <memory>
#include <thread>

#include "app/ImageButton.h"
#include "app/Images.h"
#include "window/Controls.h"
#include "window/Design.h"

class QApplication;
class QMessageBox;
class QTimer;

namespace qv::app {

class BarChart;
class BubbleChart;

// Style, font and names shared by the program and its window tests.
void SetUpApplication(QApplication& app);

class TForm1 final : public QWidget, public Controls {
    Q_OBJECT

public:
    TForm1();
    ~TForm1() override;

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

    // The page-selection flags of the two page buttons.
    int StatusPageSelected = 1;
    int SettingsPageSelected = 0;

    // --- for the window's own code and its tests ---
    QWidget* Widget(Ctl c) const { return widgets_.at(static_cast<std::size_t>(c)); }
    QTimer* TimerObject(Timer t) const { return timers_.at(static_cast<std::size_t>(t)); }
    const ImageStore& Images() const { return images_; }
    BubbleChart* SkyChart() const;
    BarChart* BarChartOf(Series s) const;

    // Scripted runs (benchmarks): the answer to the next save dialog, and the
    // number of sentences shown so far.
    std::optional<std::string> scriptedSaveName;
    std::uint64_t SentencesShown() const { return sentencesShown_; }
    // Repaints of the window so far (each paints everything changed since the last).
    std::uint64_t Repaints() const { return repaints_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;

private:
    std::uint64_t sentencesShown_ = 0;
    std::uint64_t repaints_ = 0;
    void BuildControls();
    void BuildDecorations();
    void BindEvents();
    QWidget* Create(const ControlDesign& d, QWidget* parent);
    void OnButtonEvent(Ctl button, ButtonEvent e);
    void SelectPage(bool status);
    void SetButtonImage(Ctl button, std::string_view image);
    // Stops the timers and the workers; hand-overs still waiting are let go.
    void BeginClose();
    // Puts the sentences gathered since the last flush into the sentence view.
    void FlushMemo();
    // The window's side of Synchronize and Queue. Called through the meta-object
    // by name, so that nothing of ours crosses threads inside Qt's own code.
    struct HandOver {
        const std::function<void()>* fn;
        mutable bool ran = false;  // written by the window's thread only
    };
    // Taken by reference: Qt hands the worker's own object through, and nothing
    // of it is read before the hand-over's acquire in RunHandOver.
    Q_INVOKABLE void RunHandOver(const HandOver& call);
    Q_INVOKABLE void RunQueued();
    void RunGuarded(const std::function<void()>& fn);

    ImageStore images_;
    std::array<QWidget*, kControlCount> widgets_{};
    std::array<QTimer*, kTimerCount> timers_{};
    std::array<Color, kControlCount> textColors_{};
    QList<QPointer<QMessageBox>> messages_;  // non-modal boxes still open
    // Sentences reach the view at most ten times a second: at full line speed a
    // repaint per sentence would cost more than everything else together.
    QString memoPending_;
    int memoPendingLines_ = 0;
    bool memoReplace_ = false;  // the view's text is replaced, not added to, at the flush
    QTimer* memoFlush_ = nullptr;
    // Repaints of the whole window are at most one per frame (see event()).
    static constexpr int kFrameMs = 50;
    QTimer* frameTimer_ = nullptr;
    QElapsedTimer lastPaint_;
    std::mutex queueMu_;
    std::deque<std::function<void()>> queued_;  // guarded by queueMu_
    const std::thread::id windowThread_;
    std::atomic<bool> closing_{false};
    bool shutDown_ = false;
    bool placed_ = false;
    QPoint dragOffset_;
    bool dragging_ = false;
};

}  // namespace qv::app

namespace qv {
using app::TForm1;
}

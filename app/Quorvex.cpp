#include "app/Quorvex.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "app/Charts.h"
#include "app/Dialogs.h"
#include "serial/Serial.h"
#include "window/Handlers.h"

// A blocking hand-over runs through Qt's own (uninstrumented) queue, so
// ThreadSanitizer cannot see that it orders the worker and the window's thread.
#if defined(__SANITIZE_THREAD__)
#define QV_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QV_TSAN 1
#endif
#endif
#ifdef QV_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace qv::app {

namespace {

void HandOverRelease([[maybe_unused]] void* token) {
#ifdef QV_TSAN
    __tsan_release(token);
#endif
}

void HandOverAcquire([[maybe_unused]] void* token) {
#ifdef QV_TSAN
    __tsan_acquire(token);
#endif
}

constexpr Color kWhite = 0xFFFFFF;

QFont WindowFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // Figures and Latin captions need no shaping; laying them out without it
    // makes the many text updates a second far cheaper.
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setPointSize(8);
    return f;
}

void SetPanelColor(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void SetForeground(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, c);
    w->setPalette(pal);
}

// A radio button of a two-button pair: checking it unchecks only its partner,
// and clicking the checked one leaves it checked.
class PairRadio final : public QRadioButton {
public:
    explicit PairRadio(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }
    QRadioButton* partner = nullptr;

protected:
    void nextCheckState() override {
        if (isChecked()) return;
        setChecked(true);
        if (partner) partner->setChecked(false);
    }
};

// A label that keeps its caption exactly as set and shows it with the fonts at
// hand: full-width punctuation the font cannot draw is shown as its ASCII form
// rather than as an empty box.
class CaptionLabel final : public QLabel {
public:
    CaptionLabel(const QString& caption, QWidget* parent) : QLabel(parent) { SetCaption(caption); }
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption) {
        caption_ = caption;
        QString shown = caption;
        const QFontMetrics fm(font());
        for (QChar& ch : shown)
            if (ch.unicode() >= 0xFF01 && ch.unicode() <= 0xFF5E && !fm.inFont(ch))
                ch = QChar(ch.unicode() - 0xFEE0);
        setText(shown);
        adjustSize();
    }

private:
    QString caption_;
};

// Text typed by the user is not an item chosen from the list: the selection goes.
void DropSelection(QComboBox* cb, const QString& text) {
    const int cursor = cb->lineEdit()->cursorPosition();
    cb->setCurrentIndex(-1);
    cb->setEditText(text);
    cb->lineEdit()->setCursorPosition(cursor);
}

// Port names can be longer than the narrow list: the drop-down shows them whole.
void FitPopup(QComboBox* cb) {
    cb->view()->setMinimumWidth(std::max(cb->width(), cb->view()->sizeHintForColumn(0) + 24));
}

// A narrow list shows the part of its text that tells entries apart: the start
// of a name ("Demo receiver"), the end of a device path; the tooltip has it all.
void ShowTellingPart(QComboBox* cb) {
    const QString text = cb->currentText();
    cb->setToolTip(text);
    if (cb->lineEdit()->hasFocus()) return;
    cb->lineEdit()->setCursorPosition(text.startsWith(u'/') ? static_cast<int>(text.size()) : 0);
}

QComboBox* NewList(QWidget* parent) {
    auto* cb = new QComboBox(parent);
    cb->setEditable(true);
    cb->setInsertPolicy(QComboBox::NoInsert);
    cb->setCompleter(nullptr);  // what is typed stays as typed
    cb->setMaxVisibleItems(12);
    QObject::connect(cb->lineEdit(), &QLineEdit::textEdited, cb, [cb](const QString& text) {
        if (cb->currentIndex() != -1) DropSelection(cb, text);
    });
    QObject::connect(cb, &QComboBox::currentTextChanged, cb, [cb] { ShowTellingPart(cb); });
    QObject::connect(cb->lineEdit(), &QLineEdit::editingFinished, cb, [cb] { ShowTellingPart(cb); });
    return cb;
}

}  // namespace

void SetUpApplication(QApplication& app) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(ToQString(kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral("2.0.25"));
    QApplication::setFont(WindowFont());
    (void)app;
}

TForm1::TForm1() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
                   windowThread_(std::this_thread::get_id()) {
    setWindowTitle(ToQString(kAppTitle));
    setWindowIcon(QIcon(images_.Image(ImageStore::kIcon)));
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);
    SetPanelColor(this, theme::Panel);
    BuildControls();
    BuildDecorations();
    BindEvents();
    // The sentence view starts empty and the status page is the selected one.
    SetText(Ctl::Memo1, "");
    SetButtonImage(Ctl::bsSkinSpeedButton1, "start");
    SetButtonImage(Ctl::bsSkinSpeedButton2, "mini");
    SetButtonImage(Ctl::bsSkinSpeedButton3, "sss02");
    SetButtonImage(Ctl::bsSkinSpeedButton4, "sss03");
}

TForm1::~TForm1() {
    BeginClose();
    if (Form1 == this) Form1 = nullptr;
}

// --- building -----------------------------------------------------------------------------

QWidget* TForm1::Create(const ControlDesign& d, QWidget* parent) {
    const QString text = ToQString(d.text);
    switch (d.kind) {
        case Kind::Panel: {
            auto* w = new QFrame(parent);
            const bool bar = d.control == Ctl::Panel4 || d.control == Ctl::Panel1;
            SetPanelColor(w, bar ? theme::TitleBar : theme::Panel);
            return w;
        }
        case Kind::Label: return new CaptionLabel(text, parent);
        case Kind::ImageButton: {
            auto* b = new ImageButton(d.control, parent);
            b->SetEventHandler([this, c = d.control](ButtonEvent e) { OnButtonEvent(c, e); });
            return b;
        }
        case Kind::PushButton: {
            auto* b = new QPushButton(text, parent);
            b->setAutoDefault(false);
            return b;
        }
        case Kind::ComboBox: {
            QComboBox* cb = NewList(parent);
            for (const std::string& item : DesignItems(d.items)) cb->addItem(ToQString(item));
            cb->resize(d.w, d.h);
            FitPopup(cb);
            if (d.itemIndex >= 0 && d.itemIndex < cb->count()) {
                cb->setCurrentIndex(d.itemIndex);
            } else {
                cb->setCurrentIndex(-1);
                cb->setEditText(text);
            }
            return cb;
        }
        case Kind::Edit:
        case Kind::UnicodeEdit: return new QLineEdit(text, parent);
        case Kind::Memo: {
            auto* m = new QPlainTextEdit(parent);
            m->setReadOnly(true);
            m->setLineWrapMode(QPlainTextEdit::NoWrap);
            m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            m->document()->setUndoRedoEnabled(false);
            // Flat bars in plain colours: the view scrolls ten times a second under
            // load, and the default bars' gradients and long lines cost several
            // times the text itself on every scroll.
            m->setStyleSheet(QStringLiteral(
                "QScrollBar { background: #e6e6e6; border: none; }"
                "QScrollBar:vertical { width: 16px; }"
                "QScrollBar:horizontal { height: 16px; }"
                "QScrollBar::handle { background: #b4b4b4; border: none; }"
                "QScrollBar::handle:hover { background: #9a9a9a; }"
                "QScrollBar::handle:vertical { min-height: 20px; margin: 16px 1px; }"
                "QScrollBar::handle:horizontal { min-width: 20px; margin: 1px 16px; }"
                "QScrollBar::add-line, QScrollBar::sub-line { background: #d2d2d2; border: none; }"
                "QScrollBar::add-line:vertical { height: 16px; subcontrol-position: bottom; }"
                "QScrollBar::sub-line:vertical { height: 16px; subcontrol-position: top; }"
                "QScrollBar::add-line:horizontal { width: 16px; subcontrol-position: right; }"
                "QScrollBar::sub-line:horizontal { width: 16px; subcontrol-position: left; }"
                "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
            QFont mono(QStringLiteral("DejaVu Sans Mono"));
            mono.setStyleHint(QFont::Monospace);
            mono.setStyleStrategy(QFont::PreferNoShaping);
            mono.setPointSize(8);
            m->setFont(mono);
            return m;
        }
        case Kind::CheckBox: return new QCheckBox(text, parent);
        case Kind::Radio: return new PairRadio(parent);
        case Kind::BubbleChart: return new BubbleChart(images_.Image(ImageStore::kSky), parent);
        case Kind::BarChart: return new BarChart(parent);
    }
    return new QWidget(parent);
}

void TForm1::BuildControls() {
    for (const ControlDesign& d : WindowDesign()) {
        QWidget* parent = d.parent == Ctl::Count ? this : Widget(d.parent);
        QWidget* w = Create(d, parent);
        w->setObjectName(ToQString(ControlName(d.control)));
        if (d.w > 0 && d.h > 0) {
            w->setGeometry(d.x, d.y, d.w, d.h);
        } else {
            w->move(d.x, d.y);  // labels take the size of their caption
            w->adjustSize();
        }
        w->setEnabled(d.enabled);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) b->setChecked(d.checked);
        w->setVisible(d.visible);
        widgets_[static_cast<std::size_t>(d.control)] = w;
    }
    for (Ctl radio : {Ctl::rbWAAS, Ctl::rbDisable, Ctl::rbEasyEn, Ctl::rbEasyDi})
        static_cast<PairRadio*>(Widget(radio))->partner =
            static_cast<QRadioButton*>(Widget(RadioPartner(radio)));

    // Type faces and colours of the design.
    auto style = [this](Ctl c, int points, bool bold, bool white) {
        QWidget* w = Widget(c);
        QFont f = w->font();
        if (points > 0) f.setPointSize(points);
        f.setBold(bold);
        w->setFont(f);
        if (white) {
            SetForeground(w, Qt::white);
            textColors_[static_cast<std::size_t>(c)] = kWhite;
        }
        if (qobject_cast<QLabel*>(w)) w->adjustSize();
    };
    style(Ctl::Label32, 12, true, true);
    style(Ctl::Label23, 24, true, true);
    style(Ctl::Label24, 0, false, true);
    style(Ctl::lbRS, 0, true, false);
    style(Ctl::lbFix, 0, true, false);
    style(Ctl::btDefault, 7, false, false);
    style(Ctl::Button1, 0, true, true);
    // White text needs a dark face: the connect button wears the accent colour.
    QPalette on = Widget(Ctl::Button1)->palette();
    on.setColor(QPalette::Button, theme::Accent);
    Widget(Ctl::Button1)->setPalette(on);

    Widget(Ctl::Panel2)->raise();  // the status page lies above the settings page
}

void TForm1::BuildDecorations() {
    // The labels in front of the output-rate lists, right-aligned to their list.
    const struct {
        Ctl list;
        const char* caption;
    } rateLabels[] = {{Ctl::cbGLL, "GLL"}, {Ctl::cbRMC, "RMC"}, {Ctl::cbVTG, "VTG"},
                      {Ctl::cbGGA, "GGA"}, {Ctl::cbGSA, "GSA"}, {Ctl::cbGSV, "GSV"},
                      {Ctl::cbZDA, "ZDA"}, {Ctl::cbMCHN, "MCHN"}};
    for (const auto& r : rateLabels) {
        QWidget* list = Widget(r.list);
        auto* label = new QLabel(QString::fromLatin1(r.caption), list->parentWidget());
        label->adjustSize();
        label->move(list->x() - 6 - label->width(), list->y() + (list->height() - label->height()) / 2);
    }

    // The thin frame around the data-bandwidth figures, behind its labels.
    auto* frame = new QFrame(Widget(Ctl::Panel3));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(246, 32, 104, 96);
    frame->lower();

    // The program's icon in front of its name on the title bar.
    auto* icon = new QLabel(Widget(Ctl::Panel4));
    icon->setPixmap(images_.Image(ImageStore::kIcon).scaled(18, 18, Qt::KeepAspectRatio,
                                                            Qt::SmoothTransformation));
    icon->setGeometry(16, 6, 18, 18);
    for (QWidget* w : {Widget(Ctl::Panel4), Widget(Ctl::Label32), static_cast<QWidget*>(icon)})
        w->installEventFilter(this);
}

void TForm1::BindEvents() {
    for (const ClickBinding& b : ClickBindings())
        connect(static_cast<QPushButton*>(Widget(b.control)), &QPushButton::clicked, this,
                [h = b.handler] { RunHandler(h); });
    for (int i = 0; i < kTimerCount; ++i) {
        const auto t = static_cast<Timer>(i);
        auto* timer = new QTimer(this);
        timer->setInterval(TimerInterval(t));
        connect(timer, &QTimer::timeout, this, [h = TimerHandler(t)] { RunHandler(h); });
        timers_[static_cast<std::size_t>(i)] = timer;
    }
    TimerObject(Timer::Timer1)->start();

    memoFlush_ = new QTimer(this);
    memoFlush_->setSingleShot(true);
    memoFlush_->setInterval(100);
    connect(memoFlush_, &QTimer::timeout, this, &TForm1::FlushMemo);

    frameTimer_ = new QTimer(this);
    frameTimer_->setSingleShot(true);
    frameTimer_->setTimerType(Qt::PreciseTimer);
    connect(frameTimer_, &QTimer::timeout, this, [this] {
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(this, &request);
    });
}

bool TForm1::event(QEvent* e) {
    // Sentences arrive one at a time, a hundred a second at full load, and each
    // changes a field or a chart: painting after every one costs far more than
    // decoding it. A repaint asked for within a frame of the last one is held
    // back to the frame's end, where everything changed meanwhile is painted
    // once. A window that changes rarely (typing, clicks) still paints at once.
    if (e->type() == QEvent::UpdateRequest) {
        if (lastPaint_.isValid() && lastPaint_.elapsed() < kFrameMs) {
            if (!frameTimer_->isActive())
                frameTimer_->start(static_cast<int>(kFrameMs - lastPaint_.elapsed()));
            return true;
        }
        lastPaint_.start();
        ++repaints_;
    }
    return QWidget::event(e);
}

// --- title bar and pages ------------------------------------------------------------------

void TForm1::SetButtonImage(Ctl button, std::string_view image) {
    static_cast<ImageButton*>(Widget(button))->SetImage(image, images_.Image(image));
}

void TForm1::OnButtonEvent(Ctl button, ButtonEvent e) {
    if (e == ButtonEvent::Click) {
        switch (button) {
            case Ctl::bsSkinSpeedButton1: close(); return;
            case Ctl::bsSkinSpeedButton2: showMinimized(); return;
            case Ctl::bsSkinSpeedButton3: SelectPage(true); return;
            case Ctl::bsSkinSpeedButton4: SelectPage(false); return;
            default: return;
        }
    }
    const bool selected = (button == Ctl::bsSkinSpeedButton3 && StatusPageSelected) ||
                          (button == Ctl::bsSkinSpeedButton4 && SettingsPageSelected);
    const std::string_view image = ButtonImage(button, e, selected);
    if (!image.empty()) SetButtonImage(button, image);
}

void TForm1::SelectPage(bool status) {
    Widget(Ctl::Panel2)->setVisible(status);
    Widget(Ctl::Panel3)->setVisible(!status);
    StatusPageSelected = status ? 1 : 0;
    SettingsPageSelected = status ? 0 : 1;
    const PageImages images =
        PageClickImages(status ? Ctl::bsSkinSpeedButton3 : Ctl::bsSkinSpeedButton4);
    SetButtonImage(Ctl::bsSkinSpeedButton3, images.status);
    SetButtonImage(Ctl::bsSkinSpeedButton4, images.settings);
}

void TForm1::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (placed_) return;
    placed_ = true;
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    // The title bar drags the window: through the window manager where it offers
    // that, by moving the window ourselves otherwise.
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::LeftButton) break;
            if (windowHandle() && windowHandle()->startSystemMove()) return true;
            dragging_ = true;
            dragOffset_ = me->globalPosition().toPoint() - frameGeometry().topLeft();
            return true;
        }
        case QEvent::MouseMove:
            if (dragging_) {
                move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - dragOffset_);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease: dragging_ = false; break;
        default: break;
    }
    return QWidget::eventFilter(watched, e);
}

void TForm1::keyPressEvent(QKeyEvent* e) {
    // Enter presses the push button that has the focus, else the default button
    // btConfirm when it can be pressed (its page shown, connected).
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* target = focused ? focused : static_cast<QPushButton*>(Widget(Ctl::btConfirm));
        if (target->isVisible() && target->isEnabled()) target->click();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TForm1::BeginClose() {
    if (shutDown_) return;
    shutDown_ = true;
    closing_.store(true);
    for (QTimer* t : timers_) t->stop();
    serial::Shutdown();
    PumpSynchronize();  // lets go of any hand-over still queued
}

void TForm1::closeEvent(QCloseEvent* e) {
    BeginClose();
    for (const QPointer<QMessageBox>& box : std::as_const(messages_))
        if (box) box->close();
    messages_.clear();
    e->accept();
}

// --- controls -----------------------------------------------------------------------------

namespace {
Kind KindOf(Ctl c) { return DesignOf(c).kind; }
}  // namespace

BubbleChart* TForm1::SkyChart() const { return static_cast<BubbleChart*>(Widget(Ctl::Chart1)); }

BarChart* TForm1::BarChartOf(Series s) const {
    if (s == Series::Series1) return nullptr;
    return static_cast<BarChart*>(Widget(SeriesChart(s)));
}

std::string TForm1::Text(Ctl c) const {
    QWidget* w = Widget(c);
    switch (KindOf(c)) {
        case Kind::Label: return static_cast<CaptionLabel*>(w)->Caption().toStdString();
        case Kind::PushButton:
        case Kind::CheckBox: return static_cast<QAbstractButton*>(w)->text().toStdString();
        case Kind::ComboBox: return static_cast<QComboBox*>(w)->currentText().toStdString();
        case Kind::Edit:
        case Kind::UnicodeEdit: return static_cast<QLineEdit*>(w)->text().toStdString();
        case Kind::Memo:
            if (memoReplace_) return memoPending_.toStdString();
            return (static_cast<QPlainTextEdit*>(w)->toPlainText() + memoPending_).toStdString();
        default: return {};
    }
}

void TForm1::SetText(Ctl c, std::string_view text) {
    QWidget* w = Widget(c);
    const QString t = ToQString(text);
    // The refresh rewrites every field per sentence: unchanged text costs nothing.
    switch (KindOf(c)) {
        case Kind::Label: {
            auto* l = static_cast<CaptionLabel*>(w);
            if (l->Caption() != t) l->SetCaption(t);
            return;
        }
        case Kind::PushButton:
        case Kind::CheckBox: {
            auto* b = static_cast<QAbstractButton*>(w);
            if (b->text() != t) b->setText(t);
            return;
        }
        case Kind::ComboBox: {
            auto* cb = static_cast<QComboBox*>(w);
            if (cb->currentIndex() == -1 && cb->currentText() == t) return;
            cb->setCurrentIndex(-1);
            cb->setEditText(t);
            return;
        }
        case Kind::Edit:
        case Kind::UnicodeEdit: {
            auto* e = static_cast<QLineEdit*>(w);
            if (e->text() != t) e->setText(t);
            return;
        }
        case Kind::Memo:
            // Replaced at the next flush together with what follows, so the view
            // never shows the blank between a clear and the next sentence.
            memoReplace_ = true;
            memoPending_ = t;
            memoPendingLines_ = static_cast<int>(t.count(u'\n'));
            if (memoFlush_ && !memoFlush_->isActive()) memoFlush_->start();
            return;
        default: return;
    }
}

bool TForm1::Checked(Ctl c) const {
    auto* b = qobject_cast<QAbstractButton*>(Widget(c));
    return b && b->isCheckable() && b->isChecked();
}

void TForm1::SetChecked(Ctl c, bool on) {
    auto* b = qobject_cast<QAbstractButton*>(Widget(c));
    if (!b || !b->isCheckable()) return;
    b->setChecked(on);
    const Ctl partner = RadioPartner(c);
    if (on && partner != Ctl::Count) static_cast<QAbstractButton*>(Widget(partner))->setChecked(false);
}

bool TForm1::Enabled(Ctl c) const { return !Widget(c)->testAttribute(Qt::WA_ForceDisabled); }
void TForm1::SetEnabled(Ctl c, bool on) { Widget(c)->setEnabled(on); }
bool TForm1::Visible(Ctl c) const { return !Widget(c)->isHidden(); }
void TForm1::SetVisible(Ctl c, bool on) { Widget(c)->setVisible(on); }
Color TForm1::TextColor(Ctl c) const { return textColors_[static_cast<std::size_t>(c)]; }

void TForm1::SetTextColor(Ctl c, Color color) {
    auto& current = textColors_[static_cast<std::size_t>(c)];
    if (current == color) return;
    current = color;
    SetForeground(Widget(c), ToQColor(color));
}

int TForm1::ItemCount(Ctl c) const {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    return cb ? cb->count() : 0;
}

std::string TForm1::Item(Ctl c, int index) const {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    if (!cb || index < 0 || index >= cb->count()) return {};
    return cb->itemText(index).toStdString();
}

void TForm1::AddItem(Ctl c, std::string_view text) {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    if (!cb) return;
    // Adding to an empty list would select the new item; a list keeps its selection.
    const int index = cb->currentIndex();
    const QString current = cb->currentText();
    cb->addItem(ToQString(text));
    FitPopup(cb);
    if (index == -1 && cb->currentIndex() != -1) {
        cb->setCurrentIndex(-1);
        cb->setEditText(current);
    }
}

void TForm1::DeleteItem(Ctl c, int index) {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    if (!cb || index < 0 || index >= cb->count()) return;
    const int selected = cb->currentIndex();
    const QString typed = cb->currentText();
    cb->removeItem(index);
    if (selected == index) {
        cb->setCurrentIndex(-1);
        cb->setEditText(QString());
    } else if (selected == -1 && cb->currentIndex() != -1) {
        cb->setCurrentIndex(-1);
        cb->setEditText(typed);
    }
}

int TForm1::ItemIndex(Ctl c) const {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    return cb ? cb->currentIndex() : -1;
}

void TForm1::SetItemIndex(Ctl c, int index) {
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    if (!cb) return;
    if (index < 0 || index >= cb->count()) {
        cb->setCurrentIndex(-1);
        cb->setEditText(QString());
        return;
    }
    cb->setCurrentIndex(index);
}

int TForm1::LineCount(Ctl c) const {
    auto* m = qobject_cast<QPlainTextEdit*>(Widget(c));
    if (!m) return 1;
    return (memoReplace_ ? 1 : m->document()->blockCount()) + memoPendingLines_;
}

int TForm1::TextLength(Ctl c) const {
    if (auto* m = qobject_cast<QPlainTextEdit*>(Widget(c))) {
        // Without the closing paragraph mark.
        const int shown = memoReplace_ ? 0 : m->document()->characterCount() - 1;
        return shown + static_cast<int>(memoPending_.size());
    }
    return static_cast<int>(ToQString(Text(c)).size());
}

void TForm1::AppendText(Ctl c, std::string_view text) {
    if (!qobject_cast<QPlainTextEdit*>(Widget(c))) return;
    ++sentencesShown_;
    QString t = ToQString(text);
    t.remove(u'\r');  // a sentence ends in CR LF: one line each
    memoPending_ += t;
    memoPendingLines_ += static_cast<int>(t.count(u'\n'));
    if (!memoFlush_->isActive()) memoFlush_->start();
}

void TForm1::FlushMemo() {
    auto* m = static_cast<QPlainTextEdit*>(Widget(Ctl::Memo1));
    if (memoReplace_) {
        m->setPlainText(memoPending_);
        memoReplace_ = false;
        memoPending_.clear();
        memoPendingLines_ = 0;
        return;
    }
    if (memoPending_.isEmpty()) return;
    QScrollBar* bar = m->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    // A cursor of our own: the user's selection in the view stays where it is.
    QTextCursor cursor(m->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(memoPending_);
    memoPending_.clear();
    memoPendingLines_ = 0;
    if (following) bar->setValue(bar->maximum());
}

// --- dialogs ------------------------------------------------------------------------------

MsgResult TForm1::MessageBox(std::string_view text, std::string_view title, MsgButtons buttons,
                             MsgIcon icon) {
    std::unique_ptr<QMessageBox> box(NewMessageBox(text, title, buttons, icon));
    return ToMsgResult(box->exec());
}

void TForm1::ShowMessage(std::string_view text, std::string_view title, MsgIcon icon) {
    QMessageBox* box = NewMessageBox(text, title, MsgButtons::Ok, icon);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    messages_.removeAll(nullptr);
    messages_.append(box);
    box->show();
}

void TForm1::ShowError(std::string_view message) { ShowErrorBox(message); }

std::optional<std::string> TForm1::SaveDialog(std::string_view filter) {
    if (scriptedSaveName) {
        std::optional<std::string> name;
        name.swap(scriptedSaveName);
        return name;
    }
    // The log goes to the chosen name with ".TXT" added, so asking about
    // overwriting the chosen name itself would ask about the wrong file.
    const QString name = QFileDialog::getSaveFileName(this, QString(), QString(), QtFileFilter(filter),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
}

// --- timers and charts --------------------------------------------------------------------

bool TForm1::TimerEnabled(Timer t) const { return TimerObject(t)->isActive(); }

void TForm1::SetTimerEnabled(Timer t, bool on) {
    QTimer* timer = TimerObject(t);
    if (on && !timer->isActive() && !closing_.load()) timer->start();  // a running timer keeps its period
    if (!on) timer->stop();
}

void TForm1::SeriesClear(Series s) {
    if (s == Series::Series1)
        SkyChart()->Clear();
    else if (BarChart* chart = BarChartOf(s))
        chart->Clear();
}

void TForm1::SeriesAddBar(Series s, double value, std::string_view label, Color color) {
    if (BarChart* chart = BarChartOf(s)) chart->Add(value, ToQString(label), ToQColor(color));
}

void TForm1::SeriesAddBubble(Series s, double x, double y, double radius, std::string_view label,
                             Color color) {
    if (s == Series::Series1) SkyChart()->Add(x, y, radius, ToQString(label), ToQColor(color));
}

// --- threads ------------------------------------------------------------------------------

bool TForm1::IsWindowThread() const { return std::this_thread::get_id() == windowThread_; }

bool TForm1::Synchronize(const std::function<void()>& fn) {
    if (IsWindowThread()) {
        fn();
        return true;
    }
    if (closing_.load()) return false;
    // `ran` stays false when the call is dropped unrun (window closing or gone):
    // the waiting worker is let go either way.
    const HandOver call{&fn};
    HandOverRelease(const_cast<HandOver*>(&call));
    QMetaObject::invokeMethod(this, "RunHandOver", Qt::BlockingQueuedConnection,
                              Q_ARG(HandOver, call));
    HandOverAcquire(const_cast<HandOver*>(&call));
    return call.ran;
}

void TForm1::RunHandOver(const HandOver& call) {
    HandOverAcquire(const_cast<HandOver*>(&call));
    if (!closing_.load()) {
        call.ran = true;
        RunGuarded(*call.fn);
    }
    HandOverRelease(const_cast<HandOver*>(&call));
}

void TForm1::Queue(std::function<void()> fn) {
    if (closing_.load()) return;
    {
        std::lock_guard lock(queueMu_);
        queued_.push_back(std::move(fn));
    }
    QMetaObject::invokeMethod(this, "RunQueued", Qt::QueuedConnection);
}

void TForm1::RunQueued() {
    std::function<void()> fn;
    {
        std::lock_guard lock(queueMu_);
        if (queued_.empty()) return;
        fn = std::move(queued_.front());
        queued_.pop_front();
    }
    if (!closing_.load()) RunGuarded(fn);
}

void TForm1::RunGuarded(const std::function<void()>& fn) {
    // What a worker hands over is a handler: its errors go to the error box.
    try {
        fn();
    } catch (const AppError& e) {
        ShowError(e.what());
    } catch (const std::exception&) {
        ShowError("");
    }
}

void TForm1::PumpSynchronize() { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); }

}  // namespace qv::app

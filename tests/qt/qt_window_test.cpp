// The Qt window against its design and the Controls contract: controls, pages,
// radio pairs, lists, the sentence view and the Enter key.
#include <QComboBox>
#include <QEnterEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <string>
#include <thread>
#include <vector>

#include "QtTestSupport.h"
#include "window/Design.h"
#include "window/Handlers.h"

namespace qv::test {
namespace {

TEST_F(QtWindowTest, EveryDesignedControlHasItsPlaceCaptionAndStartState) {
    for (const ControlDesign& d : WindowDesign()) {
        const std::string name(ControlName(d.control));
        SCOPED_TRACE(name);
        QWidget* w = W(d.control);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName().toStdString(), name);
        QWidget* parent = d.parent == Ctl::Count ? window.get() : W(d.parent);
        EXPECT_EQ(w->parentWidget(), parent);
        EXPECT_EQ(w->pos(), QPoint(d.x, d.y));
        if (d.w > 0) {
            EXPECT_EQ(w->size(), QSize(d.w, d.h));
        } else if (!d.text.empty()) {
            EXPECT_GT(w->width(), 0) << "a label takes its caption's size";
        }

        std::string text(d.text);
        if (d.itemIndex >= 0) text = window->Item(d.control, d.itemIndex);
        EXPECT_EQ(window->Text(d.control), text);
        EXPECT_EQ(window->ItemIndex(d.control), d.itemIndex);
        EXPECT_EQ(window->Enabled(d.control), d.enabled);
        EXPECT_EQ(window->Checked(d.control), d.checked);
        EXPECT_EQ(window->Visible(d.control), d.visible);
    }
}

TEST_F(QtWindowTest, WindowListsTimersAndImagesStartAsDesigned) {
    EXPECT_EQ(window->size(), QSize(kClientWidth, kClientHeight));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvex v2.0.25"));
    EXPECT_FALSE(QFontInfo(window->font()).family().isEmpty());
    EXPECT_EQ(QFontInfo(window->font()).pointSize(), 8);

    const struct {
        Ctl list;
        std::vector<std::string> items;
    } lists[] = {
        {Ctl::ComboBox2, {"4800", "9600", "14400", "19200", "38400", "57600", "115200"}},
        {Ctl::btBr, {"4800", "9600", "14400", "19200", "38400", "57600", "115200"}},
        {Ctl::cbFix, {"1", "2", "3", "4", "5"}},
        {Ctl::cbGLL, {"0", "1", "2", "3", "4", "5"}},
        {Ctl::cbMCHN, {"0", "1", "2", "3", "4", "5"}},
    };
    for (const auto& l : lists) {
        std::vector<std::string> items;
        for (int i = 0; i < window->ItemCount(l.list); ++i) items.push_back(window->Item(l.list, i));
        EXPECT_EQ(items, l.items) << ControlName(l.list);
    }
    bool demoListed = false;
    for (int i = 0; i < window->ItemCount(Ctl::ComboBox1); ++i)
        demoListed = demoListed || window->Item(Ctl::ComboBox1, i) == "Demo receiver";
    EXPECT_TRUE(demoListed);

    for (int i = 0; i < kTimerCount; ++i) {
        const auto t = static_cast<Timer>(i);
        EXPECT_EQ(window->TimerObject(t)->interval(), TimerInterval(t));
        EXPECT_EQ(window->TimerEnabled(t), t == Timer::Timer1);
    }

    const struct {
        const char* name;
        QSize size;
    } images[] = {{"start", {42, 15}}, {"start1", {42, 15}}, {"mini", {25, 15}}, {"mini1", {25, 15}},
                  {"sss01", {150, 30}}, {"sss02", {150, 30}}, {"sss03", {150, 30}}, {"sss04", {150, 30}},
                  {"sss05", {150, 30}}, {"sss06", {150, 30}}, {"sss07", {150, 30}}, {"sss08", {150, 30}},
                  {"sky", {208, 208}}};
    for (const auto& img : images) EXPECT_EQ(window->Images().Image(img.name).size(), img.size) << img.name;
}

// --- page buttons -----------------------------------------------------------------------------

enum class Do { Enter, Leave, Move, Press, Release, ReleaseOutside, Click };

void Send(QWidget* w, Do what) {
    const QPointF inside(w->width() / 2.0, w->height() / 2.0);
    const QPointF outside(-20, -20);
    auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
        QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    switch (what) {
        case Do::Enter: {
            QEnterEvent e(inside, inside, w->mapToGlobal(inside));
            QApplication::sendEvent(w, &e);
            break;
        }
        case Do::Leave: {
            QEvent e(QEvent::Leave);
            QApplication::sendEvent(w, &e);
            break;
        }
        case Do::Move: mouse(QEvent::MouseMove, inside, Qt::NoButton); break;
        case Do::Press: mouse(QEvent::MouseButtonPress, inside, Qt::LeftButton); break;
        case Do::Release: mouse(QEvent::MouseButtonRelease, inside, Qt::NoButton); break;
        case Do::ReleaseOutside: mouse(QEvent::MouseButtonRelease, outside, Qt::NoButton); break;
        case Do::Click:
            Send(w, Do::Press);
            Send(w, Do::Release);
            break;
    }
}

constexpr Ctl B1 = Ctl::bsSkinSpeedButton1, B2 = Ctl::bsSkinSpeedButton2;
constexpr Ctl B3 = Ctl::bsSkinSpeedButton3, B4 = Ctl::bsSkinSpeedButton4;

struct PageCase {
    const char* name;
    std::vector<std::pair<Ctl, Do>> steps;
    const char* image3;
    const char* image4;
    bool statusShown;
};

class PageButtons : public QtWindowTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageButtons, ShowTheRuleImagesAndSwapThePages) {
    const PageCase& c = GetParam();
    for (const auto& [button, what] : c.steps) Send(W(button), what);
    auto image = [&](Ctl b) { return std::string(static_cast<app::ImageButton*>(W(b))->ImageName()); };
    EXPECT_EQ(image(B3), c.image3);
    EXPECT_EQ(image(B4), c.image4);
    EXPECT_EQ(window->Visible(Ctl::Panel2), c.statusShown);
    EXPECT_EQ(window->Visible(Ctl::Panel3), !c.statusShown);
    EXPECT_EQ(window->StatusPageSelected, c.statusShown ? 1 : 0);
    EXPECT_EQ(window->SettingsPageSelected, c.statusShown ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PageButtons,
    ::testing::Values(
        PageCase{"start", {}, "sss02", "sss03", true},
        PageCase{"hover_selected_status", {{B3, Do::Enter}}, "sss07", "sss03", true},
        PageCase{"hover_other_page", {{B4, Do::Enter}}, "sss02", "sss06", true},
        PageCase{"leave_restores", {{B3, Do::Enter}, {B3, Do::Leave}, {B4, Do::Enter}, {B4, Do::Leave}},
                 "sss02", "sss03", true},
        PageCase{"press_shows_pressed", {{B4, Do::Press}}, "sss02", "sss04", true},
        PageCase{"release_outside_is_no_click", {{B4, Do::Press}, {B4, Do::ReleaseOutside}},
                 "sss02", "sss03", true},
        PageCase{"click_settings", {{B4, Do::Enter}, {B4, Do::Click}}, "sss01", "sss04", false},
        PageCase{"settings_hover_images", {{B4, Do::Click}, {B4, Do::Enter}, {B3, Do::Enter}},
                 "sss05", "sss08", false},
        PageCase{"click_shown_page_again", {{B4, Do::Click}, {B4, Do::Click}}, "sss01", "sss04", false},
        PageCase{"back_to_status", {{B4, Do::Click}, {B3, Do::Click}}, "sss02", "sss03", true},
        PageCase{"status_click_when_shown", {{B3, Do::Click}}, "sss02", "sss03", true},
        PageCase{"title_buttons_leave_pages_alone", {{B1, Do::Move}, {B2, Do::Press}}, "sss02", "sss03",
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtWindowTest, TitleButtonsLightUpOnMoveAndPressAndDimOnLeave) {
    auto image = [&](Ctl b) { return std::string(static_cast<app::ImageButton*>(W(b))->ImageName()); };
    EXPECT_EQ(image(B1), "start");
    EXPECT_EQ(image(B2), "mini");
    Send(W(B1), Do::Move);
    Send(W(B2), Do::Press);
    EXPECT_EQ(image(B1), "start1");
    EXPECT_EQ(image(B2), "mini1");
    Send(W(B1), Do::Leave);
    Send(W(B2), Do::Leave);
    EXPECT_EQ(image(B1), "start");
    EXPECT_EQ(image(B2), "mini");
}

TEST_F(QtWindowTest, CloseButtonClosesTheWindowAndRefusesLaterHandOvers) {
    window->show();
    ASSERT_TRUE(window->isVisible());
    Send(W(B1), Do::Click);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->TimerEnabled(Timer::Timer1));
    bool ran = false;
    bool result = true;
    std::thread worker([&] { result = window->Synchronize([&] { ran = true; }); });
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);
}

// --- controls through the contract ------------------------------------------------------------

TEST_F(QtWindowTest, RadioPairsAreIndependent) {
    window->SetChecked(Ctl::rbEasyDi, true);
    window->SetChecked(Ctl::rbWAAS, true);
    EXPECT_TRUE(window->Checked(Ctl::rbWAAS));
    EXPECT_FALSE(window->Checked(Ctl::rbDisable));
    EXPECT_TRUE(window->Checked(Ctl::rbEasyDi)) << "the other pair is untouched";

    // The user's click works the same way, and a checked button stays checked.
    window->SetEnabled(Ctl::rbEasyEn, true);
    Button(Ctl::rbEasyEn)->click();
    EXPECT_TRUE(window->Checked(Ctl::rbEasyEn));
    EXPECT_FALSE(window->Checked(Ctl::rbEasyDi));
    EXPECT_TRUE(window->Checked(Ctl::rbWAAS));
    Button(Ctl::rbEasyEn)->click();
    EXPECT_TRUE(window->Checked(Ctl::rbEasyEn));

    // Unchecking from code unchecks only that button, as the headless window does.
    window->SetChecked(Ctl::rbWAAS, false);
    EXPECT_FALSE(window->Checked(Ctl::rbWAAS));
    EXPECT_FALSE(window->Checked(Ctl::rbDisable));
}

TEST_F(QtWindowTest, ListsLoseTheirSelectionWhenTextIsTypedOrSet) {
    window->SetText(Ctl::cbGLL, "3");
    EXPECT_EQ(window->ItemIndex(Ctl::cbGLL), -1) << "set text, even an item's, is typed text";
    EXPECT_EQ(window->Text(Ctl::cbGLL), "3");

    window->SetItemIndex(Ctl::cbGLL, 2);
    EXPECT_EQ(window->ItemIndex(Ctl::cbGLL), 2);
    EXPECT_EQ(window->Text(Ctl::cbGLL), "2");
    window->SetItemIndex(Ctl::cbGLL, 9);
    EXPECT_EQ(window->ItemIndex(Ctl::cbGLL), -1);
    EXPECT_EQ(window->Text(Ctl::cbGLL), "");

    // The user typing a key into the box.
    auto* edit = static_cast<QComboBox*>(W(Ctl::ComboBox2))->lineEdit();
    edit->end(false);  // where a click behind the text puts the caret
    QKeyEvent key(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, QStringLiteral("0"));
    QApplication::sendEvent(edit, &key);
    EXPECT_EQ(window->ItemIndex(Ctl::ComboBox2), -1);
    EXPECT_EQ(window->Text(Ctl::ComboBox2), "1152000");

    // Adding to a list keeps "no selection"; deleting the selected item drops it.
    window->AddItem(Ctl::ComboBox2, "230400");
    EXPECT_EQ(window->ItemIndex(Ctl::ComboBox2), -1);
    EXPECT_EQ(window->Text(Ctl::ComboBox2), "1152000");
    window->SetItemIndex(Ctl::btBr, 3);
    window->DeleteItem(Ctl::btBr, 1);
    EXPECT_EQ(window->ItemIndex(Ctl::btBr), 2);
    EXPECT_EQ(window->Text(Ctl::btBr), "19200");
    window->DeleteItem(Ctl::btBr, 2);
    EXPECT_EQ(window->ItemIndex(Ctl::btBr), -1);
    EXPECT_EQ(window->Text(Ctl::btBr), "");
}

TEST_F(QtWindowTest, SentenceViewShowsOneSentencePerLine) {
    window->AppendText(Ctl::Memo1, "$GPGGA,1*00\r\n");
    window->AppendText(Ctl::Memo1, "$GPRMC,2*00\r\n");
    EXPECT_EQ(window->Text(Ctl::Memo1), "$GPGGA,1*00\n$GPRMC,2*00\n");
    EXPECT_EQ(window->LineCount(Ctl::Memo1), 3);
    EXPECT_EQ(window->TextLength(Ctl::Memo1), 24);
    // The view catches up a moment later; the counts stay what they were.
    auto* view = static_cast<QPlainTextEdit*>(W(Ctl::Memo1));
    ASSERT_TRUE(SpinUntil([&] { return view->document()->blockCount() == 3; }));
    EXPECT_EQ(view->toPlainText(), QStringLiteral("$GPGGA,1*00\n$GPRMC,2*00\n"));
    EXPECT_EQ(window->LineCount(Ctl::Memo1), 3);
    EXPECT_EQ(window->TextLength(Ctl::Memo1), 24);
    window->AppendText(Ctl::Memo1, "$GPVTG*00\r\n");
    window->SetText(Ctl::Memo1, "");
    EXPECT_EQ(window->LineCount(Ctl::Memo1), 1);
    EXPECT_EQ(window->TextLength(Ctl::Memo1), 0);
    EXPECT_EQ(window->Text(Ctl::Memo1), "") << "text pending before the clear is gone";

    // A clear followed by a sentence: the view goes straight to that sentence alone.
    window->AppendText(Ctl::Memo1, "$GPZDA*00\r\n");
    EXPECT_EQ(window->LineCount(Ctl::Memo1), 2);
    EXPECT_EQ(window->TextLength(Ctl::Memo1), 10);
    ASSERT_TRUE(SpinUntil([&] { return view->toPlainText() == QStringLiteral("$GPZDA*00\n"); }));
    EXPECT_EQ(window->Text(Ctl::Memo1), "$GPZDA*00\n");
    EXPECT_EQ(window->LineCount(Ctl::Memo1), 2);
}

TEST_F(QtWindowTest, LabelsKeepTheirCaptionExactly) {
    // The full-width colon may be drawn as ':' when the font lacks it, but the
    // caption read back is the one set.
    EXPECT_EQ(window->Text(Ctl::Label2), "Please choose\uFF1A");
    window->SetText(Ctl::Label39, "EPO valid\uFF1A 3 days");
    EXPECT_EQ(window->Text(Ctl::Label39), "EPO valid\uFF1A 3 days");
    EXPECT_GT(W(Ctl::Label39)->width(), 40) << "the label grows with its caption";
}

TEST_F(QtWindowTest, TextColourIsAppliedAndReadBack) {
    window->SetTextColor(Ctl::lbRS, colors::Red);
    EXPECT_EQ(window->TextColor(Ctl::lbRS), colors::Red);
    EXPECT_EQ(W(Ctl::lbRS)->palette().color(QPalette::WindowText), QColor(Qt::red));
}

struct EnterCase {
    const char* name;
    bool settingsPage;
    bool connected;  // btConfirm enabled
    Ctl focus;       // Ctl::Count: nothing focused
    int confirmClicks;
    int queryClicks;
};

class EnterKey : public QtWindowTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterKey, PressesConfirmOnlyOnTheSettingsPage) {
    const EnterCase& c = GetParam();
    Unbind(Ctl::btConfirm);
    Unbind(Ctl::btNAQuery);
    int confirm = 0, query = 0;
    QObject::connect(Button(Ctl::btConfirm), &QAbstractButton::clicked, [&] { ++confirm; });
    QObject::connect(Button(Ctl::btNAQuery), &QAbstractButton::clicked, [&] { ++query; });
    window->SetEnabled(Ctl::btConfirm, c.connected);
    window->SetEnabled(Ctl::btNAQuery, c.connected);
    window->show();
    if (c.settingsPage) Button(B4)->click();
    QWidget* target = window.get();
    if (c.focus != Ctl::Count) {
        W(c.focus)->setFocus();
        target = c.focus == Ctl::cbGLL ? static_cast<QComboBox*>(W(c.focus))->lineEdit() : W(c.focus);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(confirm, c.confirmClicks);
    EXPECT_EQ(query, c.queryClicks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnterKey,
    ::testing::Values(EnterCase{"settings_connected", true, true, Ctl::Count, 1, 0},
                      EnterCase{"settings_in_a_list", true, true, Ctl::cbGLL, 1, 0},
                      EnterCase{"settings_not_connected", true, false, Ctl::Count, 0, 0},
                      EnterCase{"status_page", false, true, Ctl::Count, 0, 0},
                      EnterCase{"focused_button_is_pressed", true, true, Ctl::btNAQuery, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv::test

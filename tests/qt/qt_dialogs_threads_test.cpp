// Message boxes as the user sees and answers them, and hand-overs from worker
// threads to the window's thread.
#include <QMessageBox>
#include <QPointer>

#include <atomic>
#include <thread>
#include <vector>

#include "QtTestSupport.h"
#include "app/Dialogs.h"

namespace qv::test {
namespace {

// Answers every modal message box that appears with `answer`, recording it.
class BoxAnswerer {
public:
    struct Seen {
        QString text, title;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool hasParent;
    };

    explicit BoxAnswerer(QMessageBox::StandardButton answer) {
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                            box->parentWidget() != nullptr});
            QAbstractButton* b = box->button(answer);
            (b ? b : box->buttons().front())->click();
        });
        timer_.start(10);  // started before the box appears
    }
    std::vector<Seen> seen;

private:
    QTimer timer_;
};

TEST_F(QtWindowTest, MessageBoxShowsExactTextAndReturnsTheAnswer) {
    BoxAnswerer answer(QMessageBox::No);
    EXPECT_EQ(window->MessageBox("Erase EPO data?", "AGPS Message", MsgButtons::YesNo, MsgIcon::Warning),
              MsgResult::No);
    EXPECT_EQ(window->MessageBox("Set Successful!", "Send ok", MsgButtons::Ok, MsgIcon::None),
              MsgResult::Ok);
    ASSERT_EQ(answer.seen.size(), 2u);
    EXPECT_EQ(answer.seen[0].text, QStringLiteral("Erase EPO data?"));
    EXPECT_EQ(answer.seen[0].title, QStringLiteral("AGPS Message"));
    EXPECT_EQ(answer.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answer.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(answer.seen[0].hasParent) << "no owner window";
    EXPECT_EQ(answer.seen[1].text, QStringLiteral("Set Successful!"));
    EXPECT_EQ(answer.seen[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answer.seen[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(QtWindowTest, ErrorBoxHasTheApplicationCaptionAndTheDot) {
    BoxAnswerer answer(QMessageBox::Ok);
    window->ShowError("Open ComPort failed.");
    window->ShowError("Com Port Error!");
    window->ShowError("No reply");
    window->ShowError("<b>not markup</b>");
    ASSERT_EQ(answer.seen.size(), 4u);
    EXPECT_EQ(answer.seen[0].text, QStringLiteral("Open ComPort failed."));
    EXPECT_EQ(answer.seen[1].text, QStringLiteral("Com Port Error!"));
    EXPECT_EQ(answer.seen[2].text, QStringLiteral("No reply."));
    EXPECT_EQ(answer.seen[3].text, QStringLiteral("<b>not markup</b>."));
    for (const auto& s : answer.seen) {
        EXPECT_EQ(s.title, QStringLiteral("Quorvex v2.0.25"));
        EXPECT_EQ(s.icon, QMessageBox::Critical);
    }
}

TEST_F(QtWindowTest, ShowMessageNeverBlocksAndClosesWithTheWindow) {
    window->show();
    window->ShowMessage("Set Successful!", "Send ok", MsgIcon::None);
    window->ShowMessage("Set Failed!", "Error", MsgIcon::Error);
    std::vector<QPointer<QMessageBox>> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes.emplace_back(box);
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_FALSE(box->isModal());
        EXPECT_EQ(box->parentWidget(), nullptr);
    }
    window->close();
    EXPECT_TRUE(SpinUntil([&] { return !boxes[0] && !boxes[1]; })) << "the boxes go with the window";
}

TEST(QtFileFilter, ConvertsTheDialogFilterText) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"*.txt|*.txt", "*.txt (*.txt)"},
        {"Text files|*.txt;*.log|All|*", "Text files (*.txt *.log);;All (*)"},
        {"*.txt", "*.txt (*.txt)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(app::QtFileFilter(c.in).toStdString(), c.out) << c.in;
}

// --- hand-overs ---------------------------------------------------------------------------------

TEST_F(QtWindowTest, SynchronizeRunsOnTheWindowThreadInOrderAndWaits) {
    const auto guiThread = std::this_thread::get_id();
    std::vector<int> order;  // touched only on the window's thread
    bool allOnGui = true;
    std::atomic<bool> done{false};
    int refused = 0;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            const bool ok = window->Synchronize([&, i] {
                allOnGui = allOnGui && std::this_thread::get_id() == guiThread;
                order.push_back(i);
            });
            // The call has run by the time it returns: its effect is visible here.
            if (!ok || order.size() != static_cast<std::size_t>(i + 1)) ++refused;
        }
        done = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(refused, 0);
    EXPECT_TRUE(allOnGui);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);

    // On the window's thread it runs at once.
    bool direct = false;
    EXPECT_TRUE(window->Synchronize([&] { direct = true; }));
    EXPECT_TRUE(direct);
}

TEST_F(QtWindowTest, QueueRunsLaterOnTheWindowThread) {
    const auto guiThread = std::this_thread::get_id();
    std::vector<int> order;
    bool onGui = true;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            window->Queue([&, i] {
                onGui = onGui && std::this_thread::get_id() == guiThread;
                order.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "queued, not run yet";
    ASSERT_TRUE(SpinUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onGui);
}

TEST_F(QtWindowTest, ClosingLetsGoOfAWorkerWaitingInAHandOver) {
    std::atomic<bool> started{false}, done{false};
    bool ran = false, result = true;
    std::thread worker([&] {
        started = true;
        result = window->Synchronize([&] { ran = true; });
        done = true;
    });
    while (!started.load()) std::this_thread::yield();
    // The window's thread is busy elsewhere and then closes: the worker must not
    // hang, and its call must not run on a closing window.
    window->close();
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);
}

TEST_F(QtWindowTest, HandOverAnErrorIsShownNotPropagated) {
    BoxAnswerer answer(QMessageBox::Ok);
    std::atomic<bool> done{false};
    bool result = false;
    std::thread worker([&] {
        result = window->Synchronize([] { throw AppError("Com Port Error!"); });
        done = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(result);
    ASSERT_EQ(answer.seen.size(), 1u);
    EXPECT_EQ(answer.seen[0].text, QStringLiteral("Com Port Error!"));
}

}  // namespace
}  // namespace qv::test

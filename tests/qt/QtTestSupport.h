// Helpers shared by the Qt window tests: a window per test and waiting on a
// condition while the event loop runs.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/Quorvex.h"

namespace qv::test {

// Runs the event loop until pred() holds or the time is up; returns pred().
inline bool SpinUntil(const std::function<bool()>& pred, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // keeps the wait from sleeping past the deadline
    wake.start(5);
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<app::TForm1>();
        Form1 = window.get();
    }
    void TearDown() override { window.reset(); }

    QWidget* W(Ctl c) const { return window->Widget(c); }
    QAbstractButton* Button(Ctl c) const { return qobject_cast<QAbstractButton*>(W(c)); }
    // Takes the handler off a button so a test can press it without side effects.
    void Unbind(Ctl c) const { QObject::disconnect(Button(c), &QAbstractButton::clicked, window.get(), nullptr); }

    std::unique_ptr<app::TForm1> window;
};

}  // namespace qv::test

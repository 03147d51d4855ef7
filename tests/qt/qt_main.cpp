// The Qt window tests need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Quorvex.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::app::SetUpApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

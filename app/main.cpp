// Process entry: the application object, its title, the one main window and the
// message loop. An error that escapes is shown in the application's error box.
#include <QApplication>

#include <exception>

#include "app/Dialogs.h"
#include "app/Quorvex.h"
#include "app/ScriptedRun.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qv::app::SetUpApplication(app);
    try {
        qv::app::TForm1 window;
        qv::Form1 = &window;
        qv::app::StartScriptedRun(window, argc, argv);
        window.show();
        QApplication::exec();
    } catch (const qv::AppError& e) {
        qv::app::ShowErrorBox(e.what());
    } catch (...) {
        // Not one of our own errors: shown with an empty message.
        qv::app::ShowErrorBox("");
    }
    return 0;
}

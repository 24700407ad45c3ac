// Started afresh by the start-up benchmark: brings a window up the way the
// simulator does, or given "minimal" a bare Qt window of the same size, or given
// "minimal-text" the same with one line of text, and exits as soon as it is on
// screen, so the parent times a whole process start.
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <string_view>

#include "Application.h"
#include "Unit1.h"

namespace {

[[noreturn]] void ExitWhenShown(QWidget* window) {
    window->show();
    const bool exposed = QTest::qWaitForWindowExposed(window);
    QApplication::processEvents();
    _exit(exposed ? 0 : 1);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode.starts_with("minimal")) {
        QApplication toolkit(argc, argv);
        QWidget window;
        window.resize(976, 378);
        if (mode == "minimal-text") (new QLabel("Следующий шаг", &window))->move(10, 10);
        ExitWhenShown(&window);
    }
    TApplication application(argc, argv);
    Application->Initialize();
    Application->CreateForm(Form1);
    ExitWhenShown(Form1);
}

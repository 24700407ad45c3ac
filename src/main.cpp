#include <QCoreApplication>

#include "Application.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    // An Exception escaping any of these is shown with its message, any other
    // error with an empty one; the calls after it are skipped.
    return application.Execute([] {
        Application->Initialize();
        EnterWorkingFolder(QCoreApplication::arguments());
        Application->CreateForm(Form1);
        Application->Run();
    });
}

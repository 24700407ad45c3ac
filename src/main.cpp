#include "Application.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    // An Exception escaping any of the three is shown with its message, any other
    // error with an empty one; the later calls are skipped.
    return application.Execute([] {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    });
}

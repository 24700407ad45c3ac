#include "Application.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    try {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    } catch (...) {
        // An Exception is shown with its message, any other error with an empty one.
        Application->HandleException(std::current_exception());
    }
    return 0;
}

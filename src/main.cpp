// The process's entry: initialise, read the command line, enter the folder to
// work in, create the window, run the event loop; show what escapes.
#include "Application.h"
#include "Unit1.h"

namespace {

int ProgramMain(int& argc, char** argv) {
    TApplication application(argc, argv);
    // An Exception escaping any of these is shown with its message, any other
    // error with an empty one; the calls after it are skipped.
    return application.Execute([] {
        Application->Initialize();
        const auto start = Application->ReadCommandLine();
        if (!start) return;
        auto folder = start->Folder;
        if (!folder && start->ChooseFolder) {
            folder = SelectDirectory("Выберите папку с файлом input.txt");
            if (!folder) return;  // cancelled: nothing is touched
        }
        StartRecording(start->Dump, start->KeepSteps);
        EnterWorkingFolder(folder);
        Application->CreateForm(Form1);
        Application->Run();
    });
}

}  // namespace

#ifdef PREPROCESSOR_WIN32_WINDOW
#include <windows.h>

// Platform corner: the Windows front-end starts where a Windows program does,
// and reads its arguments itself, as UTF-16.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    return ProgramMain(argc, nullptr);
}
#else
int main(int argc, char* argv[]) {
    return ProgramMain(argc, argv);
}
#endif

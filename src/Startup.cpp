#include "Startup.h"

#include "Application.h"
#include "Unit1.h"

int RunProgram(int& argc, char** argv) {
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
        StartRecording(start->Dump);
        EnterWorkingFolder(folder);
        Application->CreateForm(Form1);
        if (start->Diagram) Application->ShowDiagram();
        Application->Run();
    });
}

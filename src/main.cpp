#include <QCoreApplication>
#include <cstdio>

#include "Application.h"
#include "CommandLine.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("preprocessor-sim"));
    QCoreApplication::setOrganizationName(QStringLiteral("preprocessor-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PREPROCESSOR_VERSION));
    TApplication application(argc, argv);
    // An Exception escaping any of these is shown with its message, any other
    // error with an empty one; the calls after it are skipped.
    return application.Execute([] {
        Application->Initialize();
        const TCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
        if (commandLine.ExitCode) {
            std::fputs(commandLine.Output.toLocal8Bit().constData(),
                       commandLine.ToStandardError ? stderr : stdout);
            Application->ExitCode = *commandLine.ExitCode;
            return;
        }
        auto folder = commandLine.Folder;
        if (!folder && commandLine.ChooseFolder) {
            folder = ChooseWorkingFolder();
            if (!folder) return;  // cancelled: nothing is touched
        }
        EnterWorkingFolder(folder);
        Application->CreateForm(Form1);
        Application->Run();
    });
}

#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

const QString ChooseFolderOption = QStringLiteral("choose-folder");
const QString DumpOption = QStringLiteral("vcd");
const QString DiagramOption = QStringLiteral("diagram");

TCommandLine Stop(int exitCode, const QString& output, bool toStandardError = false) {
    TCommandLine stop;
    stop.ExitCode = exitCode;
    stop.Output = output;
    stop.ToStandardError = toStandardError;
    return stop;
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a hardware preprocessor step by step in one window: pairs of integers\n"
        "from input.txt, their differences through an eleven-cell delay line, the sums\n"
        "written to output.txt."));
    // Not addHelpOption(): it would also offer --help-all, whose text Qt keeps to itself.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption({ChooseFolderOption,
                      QStringLiteral("Without FOLDER, ask for the folder to work in with the "
                                     "desktop's folder dialog (the menu entry does).")});
    parser.addOption({DumpOption,
                      QStringLiteral("Record every step taken in the window in FILE, a value change "
                                     "dump for a waveform viewer, as preprocessor-batch --vcd "
                                     "writes it; each step is on the file when it is on screen."),
                      QStringLiteral("FILE")});
    parser.addOption({DiagramOption,
                      QStringLiteral("Open the timing diagram's window too (Ctrl+D opens it "
                                     "from the main window).")});
    parser.addPositionalArgument(
        QStringLiteral("FOLDER"),
        QStringLiteral("Work in FOLDER: input.txt is read there and output.txt written there "
                       "(default: the current folder). Put -- before a folder whose name "
                       "begins with -."),
        QStringLiteral("[FOLDER]"));

    const auto usageError = [&](const QString& reason) {
        return Stop(2, reason + u'\n' + parser.helpText(), true);
    };
    if (!parser.parse(arguments)) return usageError(parser.errorText());
    if (parser.isSet(help)) return Stop(0, parser.helpText());
    if (parser.isSet(version)) {
        return Stop(0, QCoreApplication::applicationName() + u' ' +
                           QCoreApplication::applicationVersion() + u'\n');
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) return usageError(QStringLiteral("Only one folder can be given."));
    TCommandLine run;
    if (!folders.isEmpty()) run.Folder = folders.front();
    run.ChooseFolder = parser.isSet(ChooseFolderOption);
    if (parser.isSet(DumpOption)) run.Dump = parser.value(DumpOption);
    run.Diagram = parser.isSet(DiagramOption);
    return run;
}

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks of the program: a folder to work in, or to choose
// one, or (for --help, --version and a command line it cannot read) to print
// something and stop at once with an exit code.
struct TCommandLine {
    std::optional<QString> Folder;
    bool ChooseFolder = false;
    std::optional<QString> Dump;
    bool Diagram = false;

    std::optional<int> ExitCode;  // set: print Output and stop
    QString Output;
    bool ToStandardError = false;
};

// The arguments as the toolkit leaves them (its own options taken out), the
// program's name first.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The application object and the boxes, on Qt Widgets.
#include "Application.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTranslator>
#include <cstdio>

#include "CommandLine.h"
#include "DiagramWindow.h"
#include "LabelAccessible.h"

namespace {

// The forms name the classic small dialog face, which Linux does not ship; map it
// to a metric-compatible sans-serif face rather than leave it to font fallback.
constexpr const char* FormFontFamily = "MS Sans Serif";
constexpr const char* FormFontSubstitute = "Liberation Sans";

const QString LastFolderKey = QStringLiteral("lastFolder");

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void ShowBox(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

}  // namespace

class TApplication::TToolkit {
public:
    TToolkit(int& argc, char** argv) : Argc(argc), Argv(argv) {}

    int& Argc;
    char** Argv;
    std::unique_ptr<QApplication> Owned;  // unless the process had one already
    QTranslator QtWords;                  // gone before the toolkit it is installed in
    std::unique_ptr<TDiagramWindow> Diagram;  // once opened; gone before the toolkit
};

TApplication::TApplication(int& argc, char** argv)
    : Toolkit_(std::make_unique<TToolkit>(argc, argv)) {
    Application = this;
}

TApplication::~TApplication() {
    Forms_.clear();
    Toolkit_.reset();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    QCoreApplication::setApplicationName(QStringLiteral("preprocessor-sim"));
    QCoreApplication::setOrganizationName(QStringLiteral("preprocessor-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PREPROCESSOR_VERSION));
    if (!QApplication::instance())
        Toolkit_->Owned = std::make_unique<QApplication>(Toolkit_->Argc, Toolkit_->Argv);
    QFont::insertSubstitution(FormFontFamily, FormFontSubstitute);
    TLabelAccessible::InstallFactory();
    // Qt's own words (the memo's context menu, the buttons of the message boxes)
    // in the user's language.
    if (Toolkit_->QtWords.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&Toolkit_->QtWords);
}

// The arguments of main, less the toolkit's own options, which it has taken out.
std::optional<TApplication::TStart> TApplication::ReadCommandLine() {
    QStringList arguments;
    for (int i = 0; i < Toolkit_->Argc && Toolkit_->Argv; ++i)
        arguments.push_back(QString::fromLocal8Bit(Toolkit_->Argv[i]));
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (commandLine.ExitCode) {
        std::fputs(commandLine.Output.toLocal8Bit().constData(),
                   commandLine.ToStandardError ? stderr : stdout);
        ExitCode = *commandLine.ExitCode;
        return std::nullopt;
    }
    TStart start;
    if (commandLine.Folder) start.Folder = commandLine.Folder->toStdString();
    start.ChooseFolder = commandLine.ChooseFolder;
    if (commandLine.Dump) start.Dump = commandLine.Dump->toStdString();
    start.Diagram = commandLine.Diagram;
    return start;
}

void TApplication::Run() {
    if (!MainForm_) return;
    MainForm_->show();
    QApplication::exec();
}

void TApplication::ShowDiagram() {
    if (!Toolkit_->Diagram) Toolkit_->Diagram = std::make_unique<TDiagramWindow>();
    Toolkit_->Diagram->Open(MainForm_, MainForm_ && MainForm_->isVisible());
}

void TApplication::ShowException(const Exception& error) {
    if (!QApplication::instance()) {
        std::fprintf(stderr, "%s\n", error.what());
        return;
    }
    ShowBox(QMessageBox::Critical, FromUtf8(error.Message()));
}

void ShowMessage(const std::string& text) {
    ShowBox(QMessageBox::NoIcon, FromUtf8(text));
}

std::optional<std::string> SelectDirectory(const std::string& caption) {
    QSettings settings;
    const QString start = settings.value(LastFolderKey, QDir::homePath()).toString();
    const QString folder = QFileDialog::getExistingDirectory(nullptr, FromUtf8(caption), start);
    if (folder.isEmpty()) return std::nullopt;
    settings.setValue(LastFolderKey, folder);
    return folder.toStdString();
}

std::string SystemReason(std::error_code error) {
    return QString::fromLocal8Bit(error.message()).toStdString();
}

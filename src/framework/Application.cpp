#include "Application.h"

#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <cstdio>

#include "LabelAccessible.h"

TApplication* Application = nullptr;

namespace {

// The forms name the classic small dialog face, which Linux does not ship; map it
// to a metric-compatible sans-serif face rather than leave it to font fallback.
constexpr const char* FormFontFamily = "MS Sans Serif";
constexpr const char* FormFontSubstitute = "Liberation Sans";

void ShowBox(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : Argc_(argc), Argv_(argv) {
    Application = this;
}

TApplication::~TApplication() {
    Forms_.clear();
    OwnedToolkit_.reset();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    if (!QApplication::instance()) OwnedToolkit_ = std::make_unique<QApplication>(Argc_, Argv_);
    TLabelAccessible::InstallFactory();
    // Qt's own words (the memo's context menu, the buttons of the message boxes)
    // in the user's language.
    if (QtWords_.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&QtWords_);
    QFont::insertSubstitution(FormFontFamily, FormFontSubstitute);
}

void TApplication::Run() {
    if (!MainForm_) return;
    MainForm_->show();
    QApplication::exec();
}

void TApplication::ShowException(const Exception& error) {
    if (!QApplication::instance()) {
        std::fprintf(stderr, "%s\n", error.what());
        return;
    }
    ShowBox(QMessageBox::Critical, error.Message());
}

void TApplication::HandleException(std::exception_ptr error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& known) {
            ShowException(known);
        } catch (...) {
            ShowException(Exception(QString()));
        }
    } catch (...) {
        // Showing the box failed too (out of memory, most likely); say what we can.
        std::fputs("error: an error occurred and could not be shown\n", stderr);
    }
}

void ShowMessage(const QString& text) {
    ShowBox(QMessageBox::NoIcon, text);
}

QString IntToStr(std::int32_t value) {
    return QString::number(value);
}

void SetText(QLabel* label, const QString& text) {
    const QString previous = label->text();
    label->setText(text);
    label->adjustSize();
    TLabelAccessible::NotifyTextChanged(label, previous);
}

std::filesystem::path ToPath(const QString& name) {
#ifdef _WIN32
    return name.toStdWString();  // Windows takes paths as UTF-16
#else
    return QFile::encodeName(name).toStdString();  // the bytes the file system holds
#endif
}

QString SystemReason(std::error_code error) {
    return QString::fromLocal8Bit(error.message());
}

#include "Controls.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QShortcut>

#include "Application.h"
#include "LabelAccessible.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The program's own icon (the form's MAINICON): every size the build drew into
// the resources.
QIcon ProgramIcon() {
    QIcon icon;
    for (const QFileInfo& size : QDir(":/icons").entryInfoList(QDir::Files))
        icon.addFile(size.filePath());
    return icon;
}

}  // namespace

// A border of fixed size with the system menu and close only, as every form of
// the program has.
TForm::TForm() {
    setAttribute(Qt::WA_StyledBackground);  // the form's gray comes from its style sheet
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(PREPROCESSOR_APP_ID);
    auto* openDiagram = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    QObject::connect(openDiagram, &QShortcut::activated,
                     [] { Application->Dispatch([] { Application->ShowDiagram(); }); });
}

void TForm::Loaded() {
    move(property("framePosition").toPoint());
    for (QLabel* label : findChildren<QLabel*>()) label->adjustSize();
}

void TLabel::SetCaption(std::string_view caption) {
    const QString previous = text();
    setText(FromUtf8(caption));
    adjustSize();
    TLabelAccessible::NotifyTextChanged(this, previous);
}

TButton::TButton(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, [this] {
        Application->Dispatch([this] {
            if (OnClick) OnClick(this);
        });
    });
}

void TMemo::SetText(std::string_view text) {
    setPlainText(FromUtf8(text));
}

void TMemo::AppendText(std::string_view tail) {
    extendPlainText(FromUtf8(tail));
}

TTimer::TTimer(QObject* owner) : QTimer(owner) {
    connect(this, &QTimer::timeout, this, [this] {
        Application->Dispatch([this] {
            if (OnTimer) OnTimer(this);
        });
    });
}

#include "Unit1.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QTimer>
#include <filesystem>

#include "Application.h"
#include "DataFiles.h"

TForm1* Form1 = nullptr;

namespace {

constexpr int StepPeriodMs = 1000;
constexpr QPoint WindowFramePosition(174, 135);

// The folder named on the command line could not be entered.
bool WorkingFolderUnavailable = false;

// Without both files there is nothing a step could read or write.
void DisableStepping() {
    Form1->Button1->setEnabled(false);
    Form1->Button2->setEnabled(false);
}

// The program's own icon (what the form's MAINICON was): every size the build
// drew into the resources.
QIcon ProgramIcon() {
    QIcon icon;
    for (const QFileInfo& size : QDir(":/icons").entryInfoList(QDir::Files))
        icon.addFile(size.filePath());
    return icon;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent), Timer1(new QTimer(this)) {
    setupUi(this);
    setAttribute(Qt::WA_StyledBackground);  // the form's gray comes from its style sheet
    // What the form file cannot hold: the frame's place and a border without
    // minimise or maximise buttons.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    move(WindowFramePosition);
    setWindowIcon(ProgramIcon());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(PREPROCESSOR_APP_ID);
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label7}) label->adjustSize();
    Button1->setFocus();

    Timer1->setInterval(StepPeriodMs);
    BindHandler(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    BindHandler(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    BindHandler(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

void TForm1::FormCreate(QObject*) {
    InitSimulation();
}

void TForm1::Button1Click(QObject*) {
    DoStep();
}

void TForm1::Timer1Timer(QObject*) {
    DoStep();
}

// A greyed-out button cannot keep the keyboard focus; it goes to "Следующий
// шаг", where Return goes on stepping, rather than on to the memo.
void TForm1::Button2Click(QObject*) {
    Timer1->start();
    if (Button2->hasFocus()) Button1->setFocus();
    Button2->setEnabled(false);
}

std::array<QLabel*, TStepSnapshot::Count> TForm1::ValueLabels() const {
    return {FR1,  FR2,  FRT1, FRT2,  FRT3,  FRT4, FRT5, FRT6,
            FRT7, FRT8, FRT9, FRT10, FRT11, FRM1, FROUT};
}

void TForm1::ShowSnapshot(const TStepSnapshot& snapshot) {
    const auto labels = ValueLabels();
    const auto values = snapshot.Values();
    for (std::size_t i = 0; i < labels.size(); ++i) SetText(labels[i], IntToStr(values[i]));
}

// History only grows at its end. While the memo still holds exactly what this
// window put there, extending it by the new tail leaves it as replacing the whole
// text would, at a cost that does not grow with the history.
void TForm1::ShowHistory(const std::string& history) {
    const bool memoUntouched = Memo1->userEditCount() == ShownMemoEdits_;
    if (memoUntouched && history.size() >= ShownHistoryLength_) {
        const auto tail = std::string_view(history).substr(ShownHistoryLength_);
        Memo1->extendPlainText(FromUtf8(tail));
    } else {
        Memo1->clear();
        Memo1->setPlainText(QString::fromStdString(history));
    }
    ShownHistoryLength_ = history.size();
    ShownMemoEdits_ = Memo1->userEditCount();
}

void TForm1::ReportWriteFailureOnce() {
    if (WriteFailureReported_) return;
    WriteFailureReported_ = true;
    throw Exception(FromUtf8(WriteFailedMessage));
}

void EnterWorkingFolder(const std::optional<QString>& folder) {
    WorkingFolderUnavailable = false;
    if (!folder) return;
    std::error_code error;
    std::filesystem::current_path(ToPath(*folder), error);
    if (!error) return;
    WorkingFolderUnavailable = true;
    ShowMessage(QString("Невозможно открыть папку %1 (%2)")
                    .arg(QDir::toNativeSeparators(*folder), SystemReason(error)));
}

void InitSimulation() {
    if (WorkingFolderUnavailable) return DisableStepping();  // its message has been shown
    const TDataOpenResult opened = DataFiles.Open();
    if (opened != drOk) {
        ShowMessage(FromUtf8(OpenFailureMessage(opened)));
        return DisableStepping();
    }
    PreprocessorModel.Reset();
    for (QLabel* label : Form1->ValueLabels()) SetText(label, QString());
}

// A failed write is raised once as an error, after the step has completed, so the
// standard error box shows it and stepping goes on.
void DoStep() {
    PreprocessorModel.Step(DataFiles, *Form1);
    if (DataFiles.WriteFailed()) Form1->ReportWriteFailureOnce();
}

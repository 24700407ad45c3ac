#include "Unit1.h"

#include <filesystem>

#include "Application.h"
#include "DataFiles.h"
#include "FilePaths.h"
#include "SessionRecord.h"

TForm1* Form1 = nullptr;

namespace {

constexpr int StepPeriodMs = 1000;

// The folder named on the command line could not be entered.
bool WorkingFolderUnavailable = false;

// Without both files there is nothing a step could read or write.
void DisableStepping() {
    Form1->Button1->SetEnabled(false);
    Form1->Button2->SetEnabled(false);
}

}  // namespace

TForm1::TForm1() : Timer1(new TTimer(this)) {
    setupUi(this);
    Loaded();
    Button1->SetFocus();  // the first control in tab order

    Timer1->SetInterval(StepPeriodMs);
    Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };
    Button2->OnClick = [this](TObject* sender) { Button2Click(sender); };
    Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
}

void TForm1::FormCreate(TObject*) {
    InitSimulation();
}

void TForm1::Button1Click(TObject*) {
    DoStep();
}

void TForm1::Timer1Timer(TObject*) {
    DoStep();
}

// A greyed-out button cannot keep the keyboard focus; it goes to "Следующий
// шаг", where Return goes on stepping, rather than on to the memo.
void TForm1::Button2Click(TObject*) {
    Timer1->SetEnabled(true);
    if (Button2->Focused()) Button1->SetFocus();
    Button2->SetEnabled(false);
}

std::array<TLabel*, TStepSnapshot::Count> TForm1::ValueLabels() const {
    return {FR1,  FR2,  FRT1, FRT2,  FRT3,  FRT4, FRT5, FRT6,
            FRT7, FRT8, FRT9, FRT10, FRT11, FRM1, FROUT};
}

void TForm1::ShowSnapshot(const TStepSnapshot& snapshot) {
    Shown_ = snapshot;
    const auto labels = ValueLabels();
    const auto values = snapshot.Values();
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i]->SetCaption(IntToStr(values[i]));
}

// History only grows at its end. While the memo still holds exactly what this
// window put there, extending it by the new tail leaves it as replacing the whole
// text would, at a cost that does not grow with the history.
void TForm1::ShowHistory(const std::string& history) {
    const bool memoUntouched = Memo1->UserEdits() == ShownMemoEdits_;
    if (memoUntouched && history.size() >= ShownHistoryLength_) {
        Memo1->AppendText(std::string_view(history).substr(ShownHistoryLength_));
    } else {
        Memo1->Clear();
        Memo1->SetText(history);
    }
    ShownHistoryLength_ = history.size();
    ShownMemoEdits_ = Memo1->UserEdits();
}

void TForm1::ReportWriteFailureOnce() {
    if (WriteFailureReported_) return;
    WriteFailureReported_ = true;
    throw Exception(std::string(WriteFailedMessage));
}

void EnterWorkingFolder(const std::optional<std::string>& folder) {
    WorkingFolderUnavailable = false;
    if (!folder) return;
    std::filesystem::path path = PathFromUtf8(*folder);
    std::error_code error;
    std::filesystem::current_path(path, error);
    if (!error) return;
    WorkingFolderUnavailable = true;
    ShowMessage("Невозможно открыть папку " + PathToUtf8(path.make_preferred()) + " (" +
                SystemReason(error) + ")");
}

void StartRecording(const std::optional<std::string>& dump) {
    SessionRecord.KeepSteps();
    if (!dump || SessionRecord.StartDump(PathFromUtf8(*dump), "preprocessor-sim")) return;
    ShowMessage("Невозможно создать файл " + PathToUtf8(PathFromUtf8(*dump).make_preferred()) +
                " (" + SystemReason(SessionRecord.LastError()) + ")");
}

void InitSimulation() {
    if (WorkingFolderUnavailable) return DisableStepping();  // its message has been shown
    const TDataOpenResult opened = DataFiles.Open();
    if (opened != drOk) {
        ShowMessage(std::string(OpenFailureMessage(opened)));
        return DisableStepping();
    }
    PreprocessorModel.Reset();
    for (TLabel* label : Form1->ValueLabels()) label->SetCaption("");
}

// A failed write is raised once as an error, after the step has completed and
// been recorded, so the standard error box shows it and stepping goes on.
void DoStep() {
    const TRegister written = PreprocessorModel.Registers().PendingOutput;
    PreprocessorModel.Step(DataFiles, *Form1);
    SessionRecord.Record(Form1->Shown(), written, PreprocessorModel.EndOfData());
    if (DataFiles.WriteFailed()) Form1->ReportWriteFailureOnce();
}

#pragma once

#include <array>
#include <optional>
#include <string>

#include "Controls.h"
#include "PreprocessorModel.h"
#include "ui_Unit1.h"

// The simulator's one window: it drives the process-wide preprocessor from its
// buttons and timer, and shows the registers and the output history. Written
// once, against the controls every toolkit gives under the same names.
class TForm1 : public TForm, public Ui::TForm1, public IPreprocessorView {
public:
    TForm1();

    TTimer* Timer1;

    void FormCreate(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);

    void ShowSnapshot(const TStepSnapshot& snapshot) override;
    void ShowHistory(const std::string& history) override;

    // The value labels in the order of TStepSnapshot::Values().
    std::array<TLabel*, TStepSnapshot::Count> ValueLabels() const;

    // Shows a failed write to the output file, once for the life of the window.
    void ReportWriteFailureOnce();

    // The registers the latest step showed.
    const TStepSnapshot& Shown() const { return Shown_; }

private:
    TStepSnapshot Shown_;
    std::size_t ShownHistoryLength_ = 0;
    std::uint64_t ShownMemoEdits_ = 0;
    bool WriteFailureReported_ = false;
};

extern TForm1* Form1;

// Makes the folder (UTF-8), if one is given, the current one, so the data files
// are looked up there as if the program had been started in it. If it cannot be
// entered, says so (the folder and the system's reason), and then InitSimulation
// opens nothing. Called before the window is created.
void EnterWorkingFolder(const std::optional<std::string>& folder);

// Keeps the steps to come in memory, for the timing diagram, and records them in
// a value change dump at `dump` (UTF-8), if one is given, relative to the folder
// the program started in; if it cannot be created, says so (the file and the
// system's reason) and the window runs without it. Called before the window is created.
void StartRecording(const std::optional<std::string>& dump);

// Opens the data files and, if both opened, resets the model and blanks the values.
void InitSimulation();

// One step of the preprocessor, shown on Form1.
void DoStep();

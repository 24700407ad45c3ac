#pragma once

#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "PreprocessorModel.h"
#include "ui_Unit1.h"

class QTimer;

// The simulator's one window: it drives the process-wide preprocessor from its
// buttons and timer, and shows the registers and the output history.
class TForm1 : public QWidget, public Ui::TForm1, public IPreprocessorView {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    QTimer* Timer1;

    void FormCreate(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Button2Click(QObject* Sender);
    void Timer1Timer(QObject* Sender);

    void ShowSnapshot(const TStepSnapshot& snapshot) override;
    void ShowHistory(const std::string& history) override;

    // The value labels in the order of TStepSnapshot::Values().
    std::array<QLabel*, TStepSnapshot::Count> ValueLabels() const;

    // Shows a failed write to the output file, once for the life of the window.
    void ReportWriteFailureOnce();

private:
    std::size_t ShownHistoryLength_ = 0;
    quint64 ShownMemoEdits_ = 0;
    bool WriteFailureReported_ = false;
};

extern TForm1* Form1;

// Makes the folder, if one is given, the current one, so the data files are
// looked up there as if the program had been started in it. If it cannot be
// entered, says so (the folder and the system's reason), and then
// InitSimulation opens nothing. Called before the window is created.
void EnterWorkingFolder(const std::optional<QString>& folder);

// Opens the data files and, if both opened, resets the model and blanks the values.
void InitSimulation();

// One step of the preprocessor, shown on Form1.
void DoStep();

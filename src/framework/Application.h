#pragma once

#include <QApplication>
#include <QString>
#include <QTranslator>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "Exception.h"

class QLabel;

// The application object: starts the toolkit, creates the forms, runs the event
// loop, and is where errors that escape event handlers are shown.
class TApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Starts the toolkit, unless the process already has it running.
    void Initialize();

    // Creates a form, stores it in `form` and only then raises its creation event,
    // so the handler finds the pointer set. The first form becomes the main window.
    template <class TFormClass>
    void CreateForm(TFormClass*& form);

    // Shows the main window and handles events until it is closed.
    void Run();

    // The standard error box, showing the error's message.
    void ShowException(const Exception& error);

    // Shows an error caught anywhere: its own message for an Exception, an empty
    // one for any other kind. Never throws.
    void HandleException(std::exception_ptr error) noexcept;

    // The entry point's guard: runs `body` (which initialises, creates the forms
    // and runs the event loop), shows whatever error escapes it, and returns the
    // process's exit code, ExitCode, which is 0 either way.
    template <class TBody>
    int Execute(TBody&& body) noexcept {
        Dispatch(std::forward<TBody>(body));
        return ExitCode;
    }

    // What the process exits with: 0, unless a command line the program cannot
    // read ends it at once.
    int ExitCode = 0;

    // Runs an event handler. Nothing it throws may unwind into the toolkit, so an
    // error is shown here and the event loop goes on.
    template <class THandler>
    void Dispatch(THandler&& handler) noexcept {
        try {
            std::forward<THandler>(handler)();
        } catch (...) {
            HandleException(std::current_exception());
        }
    }

private:
    int& Argc_;
    char** Argv_;
    std::unique_ptr<QApplication> OwnedToolkit_;
    QTranslator QtWords_;                          // gone before the toolkit it is installed in
    std::vector<std::unique_ptr<QWidget>> Forms_;  // destroyed before the toolkit
    QWidget* MainForm_ = nullptr;
};

// The process-wide application object; set while a TApplication exists.
extern TApplication* Application;

template <class TFormClass>
void TApplication::CreateForm(TFormClass*& form) {
    auto created = std::make_unique<TFormClass>();
    form = created.get();
    if (!MainForm_) MainForm_ = form;
    Forms_.push_back(std::move(created));
    Dispatch([&form] { form->FormCreate(form); });
}

// Connects a signal to a form's handler, which receives the sender; the handler
// runs under TApplication::Dispatch.
template <class TSender, class TSignal, class TForm>
void BindHandler(TSender* sender, TSignal signal, TForm* form, void (TForm::*handler)(QObject*)) {
    QObject::connect(sender, signal, form, [sender, form, handler] {
        Application->Dispatch([&] { (form->*handler)(sender); });
    });
}

// A modal box with the text and a single OK button.
void ShowMessage(const QString& text);

// The decimal form of a register: sign only when negative, no padding or grouping.
QString IntToStr(std::int32_t value);

// Replaces a label's caption; the label then resizes to fit it.
void SetText(QLabel* label, const QString& text);

// A path named by the user (an argument, say) in the form the system takes.
std::filesystem::path ToPath(const QString& name);

// The system's explanation of an error, in its own language.
QString SystemReason(std::error_code error);

#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "Controls.h"
#include "Exception.h"

// The application object: starts the toolkit, reads the command line, creates the
// forms, runs the event loop, and is where errors that escape event handlers are
// shown. Written once; what each toolkit does for it is in that toolkit's folder.
class TApplication {
public:
    // The arguments of main; the Windows front-end reads its own, as UTF-16.
    TApplication(int& argc, char** argv);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Starts the toolkit, unless the process already has it running.
    void Initialize();

    // What the command line asks for. Where it asks only for help or the version,
    // or cannot be read, says what it has to (on standard output or error, or in
    // a box), sets ExitCode, and asks for nothing.
    struct TStart {
        std::optional<std::string> Folder;  // UTF-8
        bool ChooseFolder = false;
        std::optional<std::string> Dump;  // the value change dump to record the steps in, UTF-8
        bool Diagram = false;             // the timing diagram's window opens with the main one
    };
    std::optional<TStart> ReadCommandLine();

    // Creates a form, stores it in `form`, builds its controls from its form
    // description and only then raises its creation event, so the handler finds
    // the pointer set. The first form becomes the main window.
    template <class TFormClass>
    void CreateForm(TFormClass*& form);

    // Shows the main window and handles events until it is closed.
    void Run();

    // Opens the timing diagram's window beside the main one, or brings it to the
    // front (Ctrl+D in the main window, and --diagram). Until the main window is
    // shown, it leaves the keyboard to it. The web page shows its diagram always.
    void ShowDiagram();

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

    // What the process exits with: 0, unless a command line the program cannot
    // read ends it at once.
    int ExitCode = 0;

private:
    class TToolkit;  // what the toolkit keeps for the application

    std::unique_ptr<TToolkit> Toolkit_;
    std::vector<std::unique_ptr<TForm>> Forms_;  // destroyed before the toolkit
    TForm* MainForm_ = nullptr;
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

// A modal box with the text and a single OK button.
void ShowMessage(const std::string& text);

// Asks for a folder with the desktop's folder dialog, starting at the one chosen
// last time; nothing if the user cancels.
std::optional<std::string> SelectDirectory(const std::string& caption);

// The decimal form of a register: sign only when negative, no padding or grouping.
std::string IntToStr(std::int32_t value);

// The system's explanation of an error, in its own language, in UTF-8.
std::string SystemReason(std::error_code error);

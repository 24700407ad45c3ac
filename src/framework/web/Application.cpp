// The application object and the boxes, in a web page. The page is the process:
// it passes the folder to work in as the one argument, and its event loop is the
// browser's.
#include "Application.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, WebShowBox, (const char* text, int isError), {
    Module.document.showBox(UTF8ToString(text), !!isError);
});
// clang-format on

class TApplication::TToolkit {
public:
    TToolkit(int& argc, char** argv) : Argc(argc), Argv(argv) {}

    int& Argc;
    char** Argv;
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

void TApplication::Initialize() {}

std::optional<TApplication::TStart> TApplication::ReadCommandLine() {
    TStart start;
    if (Toolkit_->Argc > 1) start.Folder = Toolkit_->Argv[1];
    return start;
}

// The browser delivers the events from here on. The entry point's frame, and the
// application object in it, stay as they are: nothing after this call runs.
void TApplication::Run() {
    emscripten_exit_with_live_runtime();
}

// The page's diagram stands under the form from the start.
void TApplication::ShowDiagram() {}

void TApplication::ShowException(const Exception& error) {
    WebShowBox(error.what(), true);
}

// The box is modal in the page and shows once those before it are closed; the
// code after this call runs at once, under it.
void ShowMessage(const std::string& text) {
    WebShowBox(text.c_str(), false);
}

// The page chooses the folder itself, before the program starts.
std::optional<std::string> SelectDirectory(const std::string&) {
    return std::nullopt;
}

std::string SystemReason(std::error_code error) {
    return error.message();
}

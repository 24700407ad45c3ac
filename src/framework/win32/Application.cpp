// The application object, the command line and the boxes, on the Win32 API.
#include "Application.h"

#include <shellapi.h>
#include <shobjidl.h>
#include <windows.h>

#include <vector>

#include "DiagramWindow.h"

namespace {

constexpr wchar_t BoxTitle[] = L"preprocessor-sim";
constexpr wchar_t SettingsKey[] = L"Software\\preprocessor-sim";
constexpr wchar_t LastFolderValue[] = L"lastFolder";

constexpr char Usage[] =
    "Usage: preprocessor-sim [--choose-folder] [--vcd FILE] [--diagram] [--] [FOLDER]\n"
    "\n"
    "  --choose-folder  Without FOLDER, ask for the folder to work in.\n"
    "  --vcd FILE       Record every step taken in the window in FILE, a value\n"
    "                   change dump for a waveform viewer.\n"
    "  --diagram        Open the timing diagram's window too (Ctrl+D opens it\n"
    "                   from the main window).\n"
    "  -h, --help       Displays this help.\n"
    "  -v, --version    Displays version information.\n"
    "  FOLDER           Work in FOLDER: input.txt is read there and output.txt written\n"
    "                   there (default: the current folder).";

void ShowBox(const std::string& text, UINT icon) {
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), BoxTitle, MB_OK | icon);
}

// The arguments after the program's name, as the system has them, in UTF-8.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> utf8;
    for (int i = 1; i < count; ++i) utf8.push_back(Utf8(arguments[i]));
    LocalFree(arguments);
    return utf8;
}

}  // namespace

class TApplication::TToolkit {
public:
    std::unique_ptr<TDiagramWindow> Diagram;  // once opened
};

TApplication::TApplication(int&, char**) : Toolkit_(std::make_unique<TToolkit>()) {
    Application = this;
}

TApplication::~TApplication() {
    Forms_.clear();
    Toolkit_.reset();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {}

// As the Qt front-end reads it; a program without a console says it in a box.
std::optional<TApplication::TStart> TApplication::ReadCommandLine() {
    TStart start;
    bool folderOnly = false;
    const std::vector<std::string> arguments = Arguments();
    for (auto argument = arguments.begin(); argument != arguments.end(); ++argument) {
        if (!folderOnly && *argument == "--") {
            folderOnly = true;
        } else if (!folderOnly && *argument == "--choose-folder") {
            start.ChooseFolder = true;
        } else if (!folderOnly && *argument == "--diagram") {
            start.Diagram = true;
        } else if (!folderOnly && argument->starts_with("--vcd=")) {
            start.Dump = argument->substr(6);
        } else if (!folderOnly && *argument == "--vcd") {
            if (++argument == arguments.end()) {
                ShowBox(std::string("Missing value after '--vcd'.\n") + Usage, MB_ICONERROR);
                ExitCode = 2;
                return std::nullopt;
            }
            start.Dump = *argument;
        } else if (!folderOnly && (*argument == "-h" || *argument == "--help")) {
            ShowBox(Usage, MB_ICONINFORMATION);
            return std::nullopt;
        } else if (!folderOnly && (*argument == "-v" || *argument == "--version")) {
            ShowBox("preprocessor-sim " PREPROCESSOR_VERSION, MB_ICONINFORMATION);
            return std::nullopt;
        } else if (!folderOnly && argument->size() > 1 && argument->front() == '-') {
            ShowBox("Unknown option '" + argument->substr(argument->find_first_not_of('-')) +
                        "'.\n" + Usage,
                    MB_ICONERROR);
            ExitCode = 2;
            return std::nullopt;
        } else if (start.Folder) {
            ShowBox(std::string("Only one folder can be given.\n") + Usage, MB_ICONERROR);
            ExitCode = 2;
            return std::nullopt;
        } else {
            start.Folder = *argument;
        }
    }
    return start;
}

// Tab, Return and the arrows move about the form, and about the diagram's window,
// as in a dialog; Ctrl+D in the form opens the diagram.
void TApplication::Run() {
    if (!MainForm_) return;
    const HWND window = MainForm_->Handle();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (Toolkit_->Diagram && IsWindowVisible(Toolkit_->Diagram->Handle()))
        SetWindowPos(Toolkit_->Diagram->Handle(), window, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // under the form
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == 'D' && GetKeyState(VK_CONTROL) < 0 &&
            GetAncestor(message.hwnd, GA_ROOT) == window) {
            Dispatch([this] { ShowDiagram(); });
            continue;
        }
        if (IsWindow(window) && IsDialogMessageW(window, &message)) continue;
        if (Toolkit_->Diagram && IsDialogMessageW(Toolkit_->Diagram->Handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TApplication::ShowDiagram() {
    if (!Toolkit_->Diagram) Toolkit_->Diagram = std::make_unique<TDiagramWindow>();
    const HWND main = MainForm_ ? MainForm_->Handle() : nullptr;
    Toolkit_->Diagram->Open(main, main && IsWindowVisible(main));
}

void TApplication::ShowException(const Exception& error) {
    ShowBox(error.Message(), MB_ICONERROR);
}

void ShowMessage(const std::string& text) {
    ShowBox(text, 0);
}

// The system's folder dialog, starting where the last folder was chosen, which
// the registry keeps for the user.
std::optional<std::string> SelectDirectory(const std::string& caption) {
    std::optional<std::string> chosen;
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFileOpenDialog* dialog = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&dialog)))) {
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
        dialog->SetTitle(Wide(caption).c_str());
        wchar_t last[MAX_PATH] = {};
        DWORD size = sizeof last;
        IShellItem* start = nullptr;
        if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, LastFolderValue, RRF_RT_REG_SZ, nullptr,
                         last, &size) == ERROR_SUCCESS &&
            SUCCEEDED(SHCreateItemFromParsingName(last, nullptr, IID_PPV_ARGS(&start)))) {
            dialog->SetFolder(start);
            start->Release();
        }
        IShellItem* result = nullptr;
        if (SUCCEEDED(dialog->Show(GetActiveWindow())) && SUCCEEDED(dialog->GetResult(&result))) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                chosen = Utf8(path);
                RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, LastFolderValue, REG_SZ, path,
                                static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
                CoTaskMemFree(path);
            }
            result->Release();
        }
        dialog->Release();
    }
    if (SUCCEEDED(initialised)) CoUninitialize();
    return chosen;
}

std::string SystemReason(std::error_code error) {
    if (error.category() != std::system_category()) return error.message();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0,
        nullptr);
    std::wstring reason(text, length);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.'))
        reason.pop_back();
    return Utf8(reason);
}

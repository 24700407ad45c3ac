#include "Controls.h"

#include <commctrl.h>

#include <stdexcept>

#include "Application.h"

namespace {

constexpr wchar_t FormWindowClass[] = L"TForm";
constexpr DWORD FormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr wchar_t OriginalProcedure[] = L"preprocessor-sim.OriginalProcedure";

// The form names the classic small dialog face, a bitmap font that draws only
// its own code page: on a Windows set to a Western one, Cyrillic comes out as
// boxes. Its TrueType successor, on every Windows since 2000, has the same
// metrics and draws Cyrillic everywhere.
std::wstring FaceOf(const char* family) {
    const std::wstring face = Wide(family);
    return face == L"MS Sans Serif" ? L"Microsoft Sans Serif" : face;
}

HFONT CreateFormFont(const char* family, int pixelHeight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, FaceOf(family).c_str());
}

}  // namespace

// Windows before 10 cannot tell a window's own scale: there it is the system's.
UINT DpiOf(HWND window) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window && getDpiForWindow) return getDpiForWindow(window);
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

namespace {

// The frame around a client area, its borders and caption as wide as they are
// drawn at `dpi`.
RECT FrameAround(int width, int height, DWORD style, DWORD extendedStyle, UINT dpi) {
    using TAdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<TAdjustForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT frame{0, 0, width, height};
    if (adjustForDpi) adjustForDpi(&frame, style, FALSE, extendedStyle, dpi);
    else AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    return frame;
}

COLORREF Colorref(TColor color) {
    return RGB(color.Red, color.Green, color.Blue);
}

TWinControl* ControlOf(HWND window) {
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Fills a window with the brush its form gives it, as the system's group box and
// an application's window do not.
LRESULT EraseWith(HWND window, HDC context, HBRUSH brush) {
    RECT area;
    GetClientRect(window, &area);
    FillRect(context, &area, brush);
    return 1;
}

// A group box is its controls' parent: what they tell their parent goes on to
// the form, which handles it.
LRESULT CALLBACK GroupBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return EraseWith(window, reinterpret_cast<HDC>(wParam), ControlOf(window)->Background());
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
        default:
            return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(window, OriginalProcedure)),
                                   window, message, wParam, lParam);
    }
}

// The memo as the other toolkits have it: coming to it with Tab leaves its text
// unselected, rather than all of it selected (as the dialog manager does for an
// edit box), so the next key typed does not replace the history.
LRESULT CALLBACK MemoProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, OriginalProcedure));
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    return message == WM_GETDLGCODE ? result & ~DLGC_HASSETSEL : result;
}

// Handles a control's messages in `procedure` first, which passes them on.
void Subclass(HWND control, WNDPROC procedure) {
    SetPropW(control, OriginalProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrW(control, GWLP_WNDPROC)));
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

}  // namespace

std::wstring Wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

// --- Controls ------------------------------------------------------------------------

TWinControl::TWinControl(TForm& form, const TControlDescription& description, HWND parent,
                         const wchar_t* windowClass, DWORD style, DWORD extendedStyle)
    : Form_(form),
      Description_(description),
      Handle_(CreateWindowExW(extendedStyle, windowClass, Wide(description.Caption).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                              form.Scaled(description.Place.Left), form.Scaled(description.Place.Top),
                              form.Scaled(description.Place.Width),
                              form.Scaled(description.Place.Height), parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr)),
      Font_(CreateFormFont(description.FontFamily, form.Scaled(description.FontHeight))) {
    if (!Handle_) throw std::runtime_error("the system did not create a control");
    SetWindowLongPtrW(Handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SendMessageW(Handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font_), FALSE);
    if (description.Color) Brush_ = CreateSolidBrush(Colorref(*description.Color));
}

TWinControl::~TWinControl() {
    DeleteObject(Font_);
    if (Brush_) DeleteObject(Brush_);
}

void TWinControl::Rescale() {
    const HFONT previous = Font_;
    Font_ = CreateFormFont(Description_.FontFamily, Form_.Scaled(Description_.FontHeight));
    SendMessageW(Handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font_), TRUE);
    DeleteObject(previous);
    const TRect& place = Description_.Place;
    SetWindowPos(Handle_, nullptr, Form_.Scaled(place.Left), Form_.Scaled(place.Top),
                 Form_.Scaled(place.Width), Form_.Scaled(place.Height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH TWinControl::Background() const {
    return Brush_ ? Brush_ : Form_.Background();
}

// Labels size themselves to their text: its width, and a line's height.
TLabel::TLabel(TForm& form, const TControlDescription& description, HWND parent)
    : TWinControl(form, description, parent, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX) {
    SetCaption(description.Caption);
}

void TLabel::SetCaption(std::string_view caption) {
    const std::wstring text = Wide(caption);
    SetWindowTextW(Handle_, text.c_str());
    FitText(text);
}

void TLabel::Rescale() {
    TWinControl::Rescale();
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(Handle_)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(Handle_, text.data(), static_cast<int>(text.size()))));
    FitText(text);
}

void TLabel::FitText(const std::wstring& text) {
    HDC context = GetDC(Handle_);
    const HGDIOBJ previous = SelectObject(context, Font_);
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    SelectObject(context, previous);
    ReleaseDC(Handle_, context);
    SetWindowPos(Handle_, nullptr, 0, 0, size.cx, metrics.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TButton::TButton(TForm& form, const TControlDescription& description, HWND parent)
    : TWinControl(form, description, parent, L"BUTTON",
                  (description.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                      (description.TabStop ? WS_TABSTOP : 0)) {}

void TButton::SetEnabled(bool enabled) {
    EnableWindow(Handle_, enabled);
}

bool TButton::Focused() const {
    return GetFocus() == Handle_;
}

void TButton::SetFocus() {
    Form_.RememberFocus(Handle_);
    ::SetFocus(Handle_);
}

void TButton::Notified(WORD code) {
    if (code != BN_CLICKED) return;
    Application->Dispatch([this] {
        if (OnClick) OnClick(this);
    });
}

TGroupBox::TGroupBox(TForm& form, const TControlDescription& description, HWND parent)
    : TWinControl(form, description, parent, L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT) {
    Subclass(Handle_, GroupBoxProcedure);
}

TMemo::TMemo(TForm& form, const TControlDescription& description, HWND parent)
    : TWinControl(form, description, parent, L"EDIT",
                  ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                      (description.TabStop ? WS_TABSTOP : 0),
                  WS_EX_CLIENTEDGE) {
    SendMessageW(Handle_, EM_SETLIMITTEXT, 0, 0);  // no limit but the system's
    Subclass(Handle_, MemoProcedure);
}

void TMemo::ChangeText(const std::function<void()>& change) {
    ChangingText_ = true;
    change();
    ChangingText_ = false;
}

void TMemo::SetText(std::string_view text) {
    ChangeText([&] { SetWindowTextW(Handle_, Wide(text).c_str()); });
    ShowStart();
}

// Only the new tail goes in, at the end: replacing the whole text at every step
// would cost the edit box more every step.
void TMemo::AppendText(std::string_view tail) {
    const LRESULT end = GetWindowTextLengthW(Handle_);
    ChangeText([&] {
        SendMessageW(Handle_, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageW(Handle_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(tail).c_str()));
    });
    ShowStart();
}

// The caret at the start, nothing selected, the first line showing.
void TMemo::ShowStart() {
    SendMessageW(Handle_, EM_SETSEL, 0, 0);
    const LRESULT firstVisible = SendMessageW(Handle_, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (firstVisible > 0) SendMessageW(Handle_, EM_LINESCROLL, 0, -firstVisible);
}

void TMemo::Notified(WORD code) {
    if (code == EN_CHANGE && !ChangingText_) ++UserEdits_;
}

// --- The timer -----------------------------------------------------------------------

TTimer::TTimer(TForm* owner) : Form_(*owner) {
    static UINT_PTR lastId = 0;
    Id_ = ++lastId;
    Form_.AddTimer(this, Id_);
}

TTimer::~TTimer() {
    SetEnabled(false);
}

void TTimer::SetInterval(int milliseconds) {
    Interval_ = milliseconds;
    if (Enabled_) SetEnabled(true);
}

void TTimer::SetEnabled(bool enabled) {
    Enabled_ = enabled;
    if (!Form_.Handle()) return;
    if (enabled) {
        SetTimer(Form_.Handle(), Id_, static_cast<UINT>(Interval_), nullptr);
    } else {
        KillTimer(Form_.Handle(), Id_);
    }
}

// --- The form --------------------------------------------------------------------------

TForm::TForm() = default;

TForm::~TForm() {
    Controls_.clear();
    if (Handle_) {
        SetWindowLongPtrW(Handle_, GWLP_USERDATA, 0);
        DestroyWindow(Handle_);
    }
    if (Brush_) DeleteObject(Brush_);
    if (Font_) DeleteObject(Font_);
}

// A border of fixed size with the system menu and close only, as every form of
// the program has; the frame at the described place, around a client area of
// the described size.
void TForm::Build(const TFormDescription& form, const TControlDescription* controls,
                  std::size_t count) {
    Description_ = &form;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    Brush_ = CreateSolidBrush(Colorref(form.Color.value_or(TColor{240, 240, 240})));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = FormWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered

    // Drawn for the screen it opens on, at the form's places scaled from 96 dots
    // per inch (the manifest declares the program aware of each screen's scale).
    Dpi_ = DpiOf(nullptr);
    const RECT frame = FrameAround(Scaled(form.Place.Width), Scaled(form.Place.Height), FormStyle,
                                   WS_EX_CONTROLPARENT, Dpi_);
    Handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, FormWindowClass, Wide(form.Caption).c_str(),
                              FormStyle, Scaled(form.Place.Left), Scaled(form.Place.Top),
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, this);
    if (!Handle_) throw std::runtime_error("the system did not create the window");
    // The timing diagram opens from the system menu, as from Ctrl+D.
    const HMENU menu = GetSystemMenu(Handle_, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, DiagramCommand, L"Временная диаграмма\tCtrl+D");
    Font_ = CreateFormFont(form.FontFamily, Scaled(form.FontHeight));
    SendMessageW(Handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font_), FALSE);

    for (std::size_t i = 0; i < count; ++i) {
        const TControlDescription& control = controls[i];
        const HWND parent = control.Parent < 0 ? Handle_ : Controls_[static_cast<std::size_t>(control.Parent)]->Handle();
        switch (control.Kind) {
            case TControlKind::GroupBox:
                Controls_.push_back(std::make_unique<TGroupBox>(*this, control, parent));
                break;
            case TControlKind::Button:
                Controls_.push_back(std::make_unique<TButton>(*this, control, parent));
                break;
            case TControlKind::Label:
                Controls_.push_back(std::make_unique<TLabel>(*this, control, parent));
                break;
            case TControlKind::Memo:
                Controls_.push_back(std::make_unique<TMemo>(*this, control, parent));
                break;
        }
        SetWindowLongPtrW(Controls_.back()->Handle(), GWLP_ID, static_cast<LONG_PTR>(i + 1));
    }
    if (const UINT dpi = DpiOf(Handle_); dpi != Dpi_) Rescale(dpi);  // placed on another screen
}

void TForm::Rescale(UINT dpi) {
    Dpi_ = dpi;
    const HFONT previous = Font_;
    Font_ = CreateFormFont(Description_->FontFamily, Scaled(Description_->FontHeight));
    SendMessageW(Handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font_), FALSE);
    DeleteObject(previous);
    for (const auto& control : Controls_) control->Rescale();
}

LRESULT CALLBACK TForm::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = OwnerOf<TForm>(window, message, lParam);
    if (!form) return DefWindowProcW(window, message, wParam, lParam);
    return form->Handle(window, message, wParam, lParam);
}

LRESULT TForm::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam) {
                if (TWinControl* control = ControlOf(reinterpret_cast<HWND>(lParam)))
                    control->Notified(HIWORD(wParam));
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            TWinControl* control = ControlOf(reinterpret_cast<HWND>(lParam));
            if (!control) break;
            const HDC context = reinterpret_cast<HDC>(wParam);
            LOGBRUSH brush{};
            GetObjectW(control->Background(), sizeof brush, &brush);
            SetBkColor(context, brush.lbColor);
            if (control->TextColor()) SetTextColor(context, Colorref(*control->TextColor()));
            return reinterpret_cast<LRESULT>(control->Background());
        }
        case WM_ERASEBKGND:
            return EraseWith(window, reinterpret_cast<HDC>(wParam), Brush_);
        case WM_TIMER:
            for (auto& [id, timer] : Timers_) {
                if (id != wParam) continue;
                Application->Dispatch([timer = timer] {
                    if (timer->OnTimer) timer->OnTimer(timer);
                });
            }
            return 0;
        case DM_GETDEFID: {
            // Return clicks the focused button, or else the default one.
            const HWND focus = GetFocus();
            if (TWinControl* control = focus ? ControlOf(focus) : nullptr;
                control && control->Description().Kind == TControlKind::Button)
                return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
            for (const auto& control : Controls_) {
                if (control->Description().Default)
                    return MAKELRESULT(GetDlgCtrlID(control->Handle()), DC_HASDEFID);
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (const HWND focus = GetFocus(); focus && IsChild(window, focus)) Focus_ = focus;
            } else if (Focus_) {
                ::SetFocus(Focus_);
                return 0;
            }
            break;
        case WM_DPICHANGED: {
            // Moved to a screen of another scale: drawn anew for it, in the
            // place the system suggests.
            Rescale(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != DiagramCommand) break;
            Application->Dispatch([] { Application->ShowDiagram(); });
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            Handle_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

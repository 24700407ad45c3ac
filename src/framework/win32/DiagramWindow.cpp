#include "DiagramWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

#include "Application.h"
#include "Controls.h"
#include "SessionRecord.h"

namespace {

constexpr wchar_t WindowClass[] = L"TDiagram";
constexpr wchar_t CanvasClass[] = L"TDiagramCanvas";
constexpr wchar_t SettingsKey[] = L"Software\\preprocessor-sim";
constexpr wchar_t PlaceValue[] = L"diagramPlacement";
enum : int { ZoomInId = 1, ZoomOutId, LatestId, LinesId, CanvasId, ListId, SpanId };
constexpr UINT_PTR AroundTimer = 1;
// Lengths at 96 dots per inch.
constexpr int BarHeight = 34, Margin = 8, ListMinimum = 120;

COLORREF Colour(TInk ink) {
    const std::uint32_t colour = InkColour(ink);
    return RGB(colour >> 16 & 0xff, colour >> 8 & 0xff, colour & 0xff);
}

HFONT CreateTextFont(int pixelHeight) {
    return CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Microsoft Sans Serif");
}

void RegisterClasses(HINSTANCE instance, WNDPROC window, WNDPROC canvas) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = window;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = WindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly once registered
    windowClass.lpfnWndProc = canvas;
    windowClass.hIcon = nullptr;
    windowClass.hbrBackground = nullptr;  // painted whole, double-buffered
    windowClass.lpszClassName = CanvasClass;
    RegisterClassExW(&windowClass);
}

}  // namespace

TDiagramWindow::TDiagramWindow() : Diagram_(SessionRecord) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterClasses(instance, WindowProcedure, CanvasProcedure);
    Handle_ = CreateWindowExW(WS_EX_CONTROLPARENT, WindowClass, L"Временная диаграмма",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              1000, 560, nullptr, nullptr, instance, this);
    if (!Handle_) throw std::runtime_error("the system did not create the diagram's window");
    const auto child = [&](const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                           DWORD extendedStyle = 0) {
        return CreateWindowExW(extendedStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                               0, 0, Handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               instance, this);
    };
    Buttons_[0] = child(L"BUTTON", L"+", BS_PUSHBUTTON | WS_TABSTOP, ZoomInId);
    Buttons_[1] = child(L"BUTTON", L"−", BS_PUSHBUTTON | WS_TABSTOP, ZoomOutId);
    Buttons_[2] = child(L"BUTTON", L"К последнему шагу", BS_PUSHBUTTON | WS_TABSTOP, LatestId);
    Lines_ = child(L"BUTTON", L"Разность и сумма окна линиями", BS_AUTOCHECKBOX | WS_TABSTOP, LinesId);
    Span_ = child(L"STATIC", L"", SS_RIGHT | SS_NOPREFIX, SpanId);
    Canvas_ = child(CanvasClass, L"Временная диаграмма", WS_TABSTOP | WS_HSCROLL | WS_VSCROLL,
                    CanvasId, WS_EX_CLIENTEDGE);
    List_ = child(WC_LISTVIEWW, L"Значения сигналов по шагам, показанным на диаграмме",
                  WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                  ListId, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(List_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                 LVS_EX_DOUBLEBUFFER);
    const auto& columns = TTimingDiagram::Columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring name = Wide(columns[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.cx = 80;
        column.pszText = name.data();
        ListView_InsertColumn(List_, static_cast<int>(i), &column);
    }
    Rescale(DpiOf(Handle_));
    SessionRecord.OnRecorded([this] { Follow(); });
}

TDiagramWindow::~TDiagramWindow() {
    SessionRecord.OnRecorded(nullptr);
    if (IsWindowVisible(Handle_)) RememberPlace();
    SetWindowLongPtrW(Handle_, GWLP_USERDATA, 0);
    SetWindowLongPtrW(Canvas_, GWLP_USERDATA, 0);
    DestroyWindow(Handle_);
    DeleteObject(Font_);
    DeleteObject(TextFont_);
}

void TDiagramWindow::Open(HWND beside, bool activate) {
    if (!Placed_) {
        Placed_ = true;
        WINDOWPLACEMENT place{};
        DWORD size = sizeof place;
        if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey, PlaceValue, RRF_RT_REG_BINARY, nullptr,
                         &place, &size) == ERROR_SUCCESS &&
            size == sizeof place && place.length == sizeof place) {
            place.showCmd = SW_HIDE;
            SetWindowPlacement(Handle_, &place);
        } else if (beside) {
            RECT main;
            GetWindowRect(beside, &main);
            SetWindowPos(Handle_, nullptr, main.left, main.bottom + Scaled(Margin), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    Diagram_.Update();
    ViewChanged();
    ShowWindow(Handle_, activate ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
    if (activate) {
        SetForegroundWindow(Handle_);
        SetFocus(Canvas_);
    }
}

void TDiagramWindow::RememberPlace() {
    WINDOWPLACEMENT place{};
    place.length = sizeof place;
    if (GetWindowPlacement(Handle_, &place))
        RegSetKeyValueW(HKEY_CURRENT_USER, SettingsKey, PlaceValue, REG_BINARY, &place, sizeof place);
}

void TDiagramWindow::Rescale(UINT dpi) {
    Dpi_ = dpi;
    for (HFONT font : {Font_, TextFont_})
        if (font) DeleteObject(font);
    Font_ = CreateTextFont(Scaled(13));
    TextFont_ = CreateTextFont(TTimingDiagram::FontHeight);  // in the drawing's own pixels
    for (HWND control : {Buttons_[0], Buttons_[1], Buttons_[2], Lines_, Span_, List_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font_), FALSE);
    for (int column = 0; column < static_cast<int>(TTimingDiagram::Columns.size()); ++column)
        ListView_SetColumnWidth(List_, column, Scaled(column == 0 ? 56 : 96));
    // How wide a digit is in the drawing's font.
    const HDC context = GetDC(Canvas_);
    const HGDIOBJ previous = SelectObject(context, TextFont_);
    SIZE digit{};
    GetTextExtentPoint32W(context, L"0", 1, &digit);
    SelectObject(context, previous);
    ReleaseDC(Canvas_, context);
    Diagram_.SetDigitWidth(digit.cx);
    Layout();
}

// The bar across the top; the drawing under it, as tall as it is but leaving
// the list some room; the list in the rest.
void TDiagramWindow::Layout() {
    RECT client;
    GetClientRect(Handle_, &client);
    const int width = client.right, height = client.bottom;
    const int buttonTop = Scaled(5), buttonHeight = Scaled(24);
    int x = Scaled(Margin);
    const int widths[] = {32, 32, 150, 250};
    const HWND bar[] = {Buttons_[0], Buttons_[1], Buttons_[2], Lines_};
    for (int i = 0; i < 4; ++i) {
        MoveWindow(bar[i], x, buttonTop, Scaled(widths[i]), buttonHeight, TRUE);
        x += Scaled(widths[i] + 6);
    }
    MoveWindow(Span_, x, buttonTop + Scaled(4), std::max(0, width - x - Scaled(Margin)),
               buttonHeight, TRUE);
    const int top = Scaled(BarHeight);
    const int frame = 2 * GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYHSCROLL) + Scaled(2);
    const int wanted = Scaled(Diagram_.Height()) + frame;
    const int canvasHeight = std::max(Scaled(60), std::min(wanted, height - top - Scaled(ListMinimum)));
    MoveWindow(Canvas_, 0, top, width, canvasHeight, TRUE);
    MoveWindow(List_, 0, top + canvasHeight, width, std::max(0, height - top - canvasHeight), TRUE);
    RECT canvas;
    GetClientRect(Canvas_, &canvas);
    Diagram_.SetWidth(static_cast<int>(Unscaled(canvas.right)));
    ViewChanged();
}

// The drawing at once; the list, the scroll bars and the span at most ten times a
// second: every row of the list changes at each step, which takes longer to draw
// than the drawing.
void TDiagramWindow::Follow() {
    if (!IsWindowVisible(Handle_) || !Diagram_.Update()) return;
    InvalidateRect(Canvas_, nullptr, FALSE);
    if (!AroundDue_) AroundDue_ = SetTimer(Handle_, AroundTimer, 100, nullptr) != 0;
}

void TDiagramWindow::ChangedBy(bool changed) {
    if (changed) ViewChanged();
}

void TDiagramWindow::ViewChanged() {
    InvalidateRect(Canvas_, nullptr, FALSE);
    // The steps across, a page the steps in view; the drawing's height down.
    const auto shown = static_cast<int>(Diagram_.ShownSteps());
    SCROLLINFO across{};
    across.cbSize = sizeof across;
    across.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    across.nMin = 1;
    across.nMax = std::max(1, static_cast<int>(Diagram_.Recorded()));
    across.nPage = static_cast<UINT>(shown);
    across.nPos = static_cast<int>(std::max<std::uint64_t>(Diagram_.FirstShown(), 1));
    SetScrollInfo(Canvas_, SB_HORZ, &across, TRUE);
    RECT canvas;
    GetClientRect(Canvas_, &canvas);
    const int visible = static_cast<int>(Unscaled(canvas.bottom));
    CanvasTop_ = std::clamp(CanvasTop_, 0, std::max(0, Diagram_.Height() - visible));
    SCROLLINFO down{};
    down.cbSize = sizeof down;
    down.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    down.nMax = Diagram_.Height() - 1;
    down.nPage = static_cast<UINT>(std::max(visible, 1));
    down.nPos = CanvasTop_;
    SetScrollInfo(Canvas_, SB_VERT, &down, TRUE);
    SetWindowTextW(Span_, Wide(Diagram_.SpanText()).c_str());
    const std::uint64_t first = Diagram_.FirstShown();
    const int rows = first ? static_cast<int>(Diagram_.LastShown() - first + 1) : 0;
    ListView_SetItemCountEx(List_, rows, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    InvalidateRect(List_, nullptr, FALSE);
}

void TDiagramWindow::FillCell(NMLVDISPINFOW& cell) {
    if (!(cell.item.mask & LVIF_TEXT)) return;
    const std::uint64_t step = Diagram_.FirstShown() + static_cast<std::uint64_t>(cell.item.iItem);
    CellText_ = Wide(Diagram_.Cell(step, static_cast<std::size_t>(cell.item.iSubItem)));
    lstrcpynW(cell.item.pszText, CellText_.c_str(), cell.item.cchTextMax);
}

// Painted in the drawing's own pixels, mapped to the screen's at its scale, into
// a picture of the program's own memory first (where GDI draws without the
// display's help), the lines of one ink and width in one call.
void TDiagramWindow::Paint(HDC screen) {
    RECT area;
    GetClientRect(Canvas_, &area);
    const HDC context = CreateCompatibleDC(screen);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), area.right, -area.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previousBitmap = SelectObject(context, bitmap);
    FillRect(context, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetMapMode(context, MM_ANISOTROPIC);
    SetWindowExtEx(context, 96, 96, nullptr);
    SetViewportExtEx(context, static_cast<int>(Dpi_), static_cast<int>(Dpi_), nullptr);
    SetViewportOrgEx(context, 0, -Scaled(CanvasTop_), nullptr);

    Diagram_.Draw(Picture_);
    std::map<TInk, HBRUSH> brushes;
    for (const TDiagramBox& box : Picture_.Boxes) {
        HBRUSH& brush = brushes[box.Ink];
        if (!brush) brush = CreateSolidBrush(Colour(box.Ink));
        const RECT place{static_cast<LONG>(box.Left), static_cast<LONG>(box.Top),
                         static_cast<LONG>(box.Left + box.Width), static_cast<LONG>(box.Top + box.Height)};
        FillRect(context, &place, brush);
    }
    for (const auto& [ink, brush] : brushes) DeleteObject(brush);
    struct TLines {
        std::vector<POINT> Points;
        std::vector<DWORD> Counts;
    };
    std::map<std::pair<TInk, int>, TLines> byPen;
    for (const TDiagramPath& path : Picture_.Paths) {
        TLines& lines = byPen[{path.Ink, path.Width}];
        const auto point = [this](std::uint32_t i) {
            return POINT{static_cast<LONG>(std::lround(Picture_.Points[i].X)),
                         static_cast<LONG>(std::lround(Picture_.Points[i].Y))};
        };
        for (std::uint32_t i = path.First; i < path.First + path.Count; ++i) lines.Points.push_back(point(i));
        if (path.Closed) lines.Points.push_back(point(path.First));
        lines.Counts.push_back(path.Count + (path.Closed ? 1 : 0));
    }
    for (const auto& [pen, lines] : byPen) {
        const HPEN created = CreatePen(PS_SOLID, pen.second, Colour(pen.first));
        const HGDIOBJ previousPen = SelectObject(context, created);
        PolyPolyline(context, lines.Points.data(), lines.Counts.data(),
                     static_cast<DWORD>(lines.Counts.size()));
        SelectObject(context, previousPen);
        DeleteObject(created);
    }
    const HGDIOBJ previousFont = SelectObject(context, TextFont_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    SetBkMode(context, TRANSPARENT);
    for (const TDiagramText& text : Picture_.Texts) {
        SetTextColor(context, Colour(text.Ink));
        SetTextAlign(context, TA_BASELINE | (text.Centered ? TA_CENTER : TA_LEFT));
        const std::wstring shown = Wide(Picture_.TextOf(text));
        TextOutW(context, std::lround(text.X),
                 std::lround(text.Y + (metrics.tmAscent - metrics.tmDescent) / 2.0), shown.c_str(),
                 static_cast<int>(shown.size()));
    }
    SelectObject(context, previousFont);

    SetMapMode(context, MM_TEXT);
    SetViewportOrgEx(context, 0, 0, nullptr);
    BitBlt(screen, 0, 0, area.right, area.bottom, context, 0, 0, SRCCOPY);
    SelectObject(context, previousBitmap);
    DeleteObject(bitmap);
    DeleteDC(context);
}

LRESULT CALLBACK TDiagramWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    auto* diagram = OwnerOf<TDiagramWindow>(window, message, lParam);
    if (!diagram || !diagram->Handle_) return DefWindowProcW(window, message, wParam, lParam);
    return diagram->Handle(message, wParam, lParam);
}

LRESULT CALLBACK TDiagramWindow::CanvasProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    auto* diagram = OwnerOf<TDiagramWindow>(window, message, lParam);
    if (!diagram || !diagram->Canvas_) return DefWindowProcW(window, message, wParam, lParam);
    return diagram->HandleCanvas(message, wParam, lParam);
}

LRESULT TDiagramWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            Application->Dispatch([&] {
                switch (LOWORD(wParam)) {
                    case ZoomInId:
                        Diagram_.ZoomIn();
                        break;
                    case ZoomOutId:
                        Diagram_.ZoomOut();
                        break;
                    case LatestId:
                        Diagram_.FollowLatest();
                        break;
                    case LinesId:
                        Diagram_.SetLines(Button_GetCheck(Lines_) == BST_CHECKED);
                        Layout();
                        break;
                    default:
                        return;
                }
                ViewChanged();
            });
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == List_ && header->code == LVN_GETDISPINFOW)
                FillCell(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return 0;
        }
        case WM_TIMER:
            if (wParam != AroundTimer) break;
            KillTimer(Handle_, AroundTimer);
            AroundDue_ = false;
            ViewChanged();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {Scaled(TTimingDiagram::PlotLeft + 120), Scaled(320)};
            return 0;
        }
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(Handle_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Rescale(HIWORD(wParam));
            return 0;
        }
        case WM_CLOSE:  // hidden, not destroyed: the diagram keeps its view for next time
            RememberPlace();
            ShowWindow(Handle_, SW_HIDE);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(Handle_, message, wParam, lParam);
}

LRESULT TDiagramWindow::HandleCanvas(UINT message, WPARAM wParam, LPARAM lParam) {
    using TKey = TTimingDiagram::TKey;
    const auto x = [&] { return Unscaled(GET_X_LPARAM(lParam)); };
    const auto y = [&] { return Unscaled(GET_Y_LPARAM(lParam)) + CanvasTop_; };
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC screen = BeginPaint(Canvas_, &paint);
            Paint(screen);
            EndPaint(Canvas_, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_GETDLGCODE: {
            // The arrows, Page Up and Down, Home, End and Return are the drawing's.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const bool returnKey = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (returnKey ? DLGC_WANTMESSAGE : 0);
        }
        case WM_KEYDOWN: {
            static const std::pair<WPARAM, TKey> keys[] = {
                {VK_LEFT, TKey::Left},     {VK_RIGHT, TKey::Right},    {VK_HOME, TKey::Home},
                {VK_END, TKey::End},       {VK_PRIOR, TKey::PageUp},   {VK_NEXT, TKey::PageDown},
                {VK_ADD, TKey::ZoomIn},    {VK_OEM_PLUS, TKey::ZoomIn}, {VK_SUBTRACT, TKey::ZoomOut},
                {VK_OEM_MINUS, TKey::ZoomOut}, {VK_RETURN, TKey::Toggle}, {VK_SPACE, TKey::Toggle}};
            for (const auto& [key, meaning] : keys) {
                if (key != wParam) continue;
                ChangedBy(Diagram_.Key(meaning));
                Layout();
                return 0;
            }
            break;
        }
        case WM_LBUTTONDOWN:
            SetFocus(Canvas_);
            SetCapture(Canvas_);
            ChangedBy(Diagram_.PointerDown(x(), y()));
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == Canvas_) ChangedBy(Diagram_.PointerMove(x()));
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() != Canvas_) return 0;
            ReleaseCapture();
            if (Diagram_.PointerUp(x(), y())) Layout();
            return 0;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL: {
            // A notch is 120; up is positive for the vertical wheel, right for the other.
            const double notches = GET_WHEEL_DELTA_WPARAM(wParam) / 120.0;
            const WORD keys = GET_KEYSTATE_WPARAM(wParam);
            const bool across = message == WM_MOUSEHWHEEL;
            if (Diagram_.Wheel(across ? notches : 0, across ? 0 : -notches, keys & MK_SHIFT,
                               keys & MK_CONTROL))
                return ViewChanged(), 0;
            // A plain vertical turn scrolls the drawing when its rows are more than fit.
            CanvasTop_ -= static_cast<int>(notches * 3 * TTimingDiagram::RowHeight);
            ViewChanged();
            return 0;
        }
        case WM_HSCROLL: {
            SCROLLINFO across{};
            across.cbSize = sizeof across;
            across.fMask = SIF_ALL;
            GetScrollInfo(Canvas_, SB_HORZ, &across);
            const auto page = static_cast<std::int64_t>(Diagram_.ShownSteps());
            switch (LOWORD(wParam)) {
                case SB_LINELEFT: Diagram_.ScrollBy(-1); break;
                case SB_LINERIGHT: Diagram_.ScrollBy(1); break;
                case SB_PAGELEFT: Diagram_.ScrollBy(-page); break;
                case SB_PAGERIGHT: Diagram_.ScrollBy(page); break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    Diagram_.ScrollTo(static_cast<std::uint64_t>(std::max(across.nTrackPos, 1)));
                    break;
                default: return 0;
            }
            ViewChanged();
            return 0;
        }
        case WM_VSCROLL: {
            SCROLLINFO down{};
            down.cbSize = sizeof down;
            down.fMask = SIF_ALL;
            GetScrollInfo(Canvas_, SB_VERT, &down);
            switch (LOWORD(wParam)) {
                case SB_LINEUP: CanvasTop_ -= TTimingDiagram::RowHeight; break;
                case SB_LINEDOWN: CanvasTop_ += TTimingDiagram::RowHeight; break;
                case SB_PAGEUP: CanvasTop_ -= static_cast<int>(down.nPage); break;
                case SB_PAGEDOWN: CanvasTop_ += static_cast<int>(down.nPage); break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: CanvasTop_ = down.nTrackPos; break;
                default: return 0;
            }
            ViewChanged();
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(Canvas_, message, wParam, lParam);
}

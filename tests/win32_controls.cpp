// What a Windows program's window shows, read through the Win32 API itself
// (Wine's controls are no X windows): finds a top-level window by its title and
// lists it and every control in it, one line each, in UTF-8:
//
//   class|id|parent id|left|top|width|height|enabled|focused|style|glyph shapes|text width|
//   background|first visible line|text
//
// places relative to the parent's client area (the window: its frame on the
// screen, and its client area's size); the style in hexadecimal; "glyph shapes"
// counts the different shapes the text's glyphs take on the screen, so that
// text drawn as boxes shows (a control's font is its process's: it cannot be
// asked for from here); "background" is the colour most of the control's pixels
// on the screen have, as RRGGBB; "first visible line" is an edit box's, else 0.
// With --at TEXT, prints instead where on the screen the centre of the control
// showing TEXT is, as "x y", for a click there.
// With --list, prints instead the window's list view: a line of its column
// headers, then a line per row, the cells separated by "|".
// With --system-command ID, chooses the system menu's entry ID as the menu would.
// With --code-page alone, prints the system's ANSI code page, which the locale sets.
// Usage: win32_controls TITLE [--at TEXT | --list | --system-command ID]
//        | --code-page
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring_view text) {
    if (text.empty()) return {};
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(
                         CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                         nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                        static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                      L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

struct TOnScreen {
    int Shapes = 0;                    // different shapes the dark patches take
    unsigned long Background = 0;      // the most frequent colour, as RRGGBB
};

// What a control looks like on the screen: how many different shapes the glyphs
// of its text take, as patches of dark pixels (text drawn in a font that lacks
// its letters is one shape, a box, repeated), and the colour it is mostly drawn in.
// A group box is looked at above its controls, where its caption is.
TOnScreen LookAt(HWND window, int captionHeight) {
    RECT place;
    GetWindowRect(window, &place);
    const int width = place.right - place.left;
    const int height = captionHeight > 0 ? captionHeight : place.bottom - place.top;
    if (width <= 0 || height <= 0) return {};

    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    GdiFlush();
    std::vector<std::vector<bool>> ink(static_cast<std::size_t>(height),
                                       std::vector<bool>(static_cast<std::size_t>(width)));
    std::map<unsigned long, int> colours;
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = pixels + (static_cast<std::size_t>(y) * width + x) * 4;
            ink[y][x] = pixel[0] + pixel[1] + pixel[2] < 3 * 80;
            ++colours[static_cast<unsigned long>(pixel[2]) << 16 | pixel[1] << 8 | pixel[0]];
        }
    }
    TOnScreen seen;
    seen.Background = std::max_element(colours.begin(), colours.end(), [](auto& a, auto& b) {
                          return a.second < b.second;
                      })->first;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // Each connected patch of dark pixels, as the bitmap of its bounding box;
    // specks (a dotted focus rectangle's dots) left out. The lines of frames
    // add a shape or two.
    std::set<std::string> shapes;
    std::vector<std::pair<int, int>> patch, pending;
    for (int top = 0; top < height; ++top) {
        for (int left = 0; left < width; ++left) {
            if (!ink[top][left]) continue;
            patch.clear();
            pending = {{left, top}};
            ink[top][left] = false;
            while (!pending.empty()) {
                const auto [x, y] = pending.back();
                pending.pop_back();
                patch.push_back({x, y});
                for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height || !ink[ny][nx]) continue;
                    ink[ny][nx] = false;
                    pending.push_back({nx, ny});
                }
            }
            if (patch.size() < 4) continue;
            int minX = width, minY = height, maxX = 0, maxY = 0;
            for (const auto& [x, y] : patch) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
            const int patchWidth = maxX - minX + 1;
            std::string shape(static_cast<std::size_t>(patchWidth * (maxY - minY + 1)), '.');
            for (const auto& [x, y] : patch) shape[static_cast<std::size_t>((y - minY) * patchWidth + x - minX)] = '#';
            shapes.insert(std::to_string(patchWidth) + ':' + shape);
        }
    }
    seen.Shapes = static_cast<int>(shapes.size());
    return seen;
}

// The height of the part of a group box above its controls.
int CaptionHeight(HWND groupBox) {
    RECT box;
    GetWindowRect(groupBox, &box);
    LONG top = box.bottom;
    for (HWND child = GetWindow(groupBox, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        top = std::min(top, place.top);
    }
    return static_cast<int>(top - box.top);
}

// A text of several lines (a box's message) on one, its line ends as "\n".
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n') line += "\\n";
        else if (c != '\r') line += c;
    }
    return line;
}

// How wide the control's text is in the control's own font.
int TextWidth(HWND window) {
    const std::wstring text = TextOf(window);
    const HDC context = GetDC(window);
    const HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(context, previous);
    ReleaseDC(window, context);
    return size.cx;
}

void List(HWND window, HWND focus, bool topLevel) {
    wchar_t windowClass[64] = {};
    GetClassNameW(window, windowClass, 64);
    RECT place;
    GetWindowRect(window, &place);
    int width = place.right - place.left, height = place.bottom - place.top;
    const HWND parent = GetParent(window);
    if (topLevel) {
        RECT client;
        GetClientRect(window, &client);
        width = client.right;
        height = client.bottom;
    } else {
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
    }
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const bool groupBox = std::wstring(windowClass) == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
    const TOnScreen seen = topLevel ? TOnScreen{} : LookAt(window, groupBox ? CaptionHeight(window) : 0);
    const LRESULT firstLine =
        std::wstring(windowClass) == L"Edit" ? SendMessageW(window, EM_GETFIRSTVISIBLELINE, 0, 0) : 0;
    std::printf("%s|%d|%d|%ld|%ld|%d|%d|%d|%d|%08lx|%d|%d|%06lx|%ld|%s\n", Utf8(windowClass).c_str(),
                topLevel ? 0 : GetDlgCtrlID(window), topLevel || !parent ? 0 : GetDlgCtrlID(parent),
                place.left, place.top, width, height, IsWindowEnabled(window) ? 1 : 0,
                window == focus ? 1 : 0, static_cast<unsigned long>(style), seen.Shapes,
                TextWidth(window), seen.Background, static_cast<long>(firstLine),
                OneLine(Utf8(TextOf(window))).c_str());
}

// A list view of another process: what it shows is asked for with messages whose
// buffers must be in that process's memory.
void ListRows(HWND list) {
    DWORD id = 0;
    GetWindowThreadProcessId(list, &id);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    constexpr SIZE_T TextAt = 256, TextLength = 512;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, TextAt + TextLength * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    auto* remoteText = reinterpret_cast<wchar_t*>(remote + TextAt);
    const auto readText = [&] {
        wchar_t text[TextLength] = {};
        ReadProcessMemory(process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr);
        return Utf8(text);
    };
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = remoteText;
        item.cchTextMax = TextLength;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(remote));
        std::printf("%s%s", column ? "|" : "", readText().c_str());
    }
    std::printf("\n");
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = remoteText;
            item.cchTextMax = TextLength;
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
            std::printf("%s%s", column ? "|" : "", readText().c_str());
        }
        std::printf("\n");
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}

struct TSearch {
    std::wstring Text;
    HWND Found = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc == 2 && std::wstring(argv[1]) == L"--code-page") {
        std::printf("%u\n", GetACP());
        return 0;
    }
    const std::wstring mode = argc > 2 ? argv[2] : L"";
    const bool known = (argc == 2) || (argc == 3 && mode == L"--list") ||
                       (argc == 4 && (mode == L"--at" || mode == L"--system-command"));
    if (!known) return 2;
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (!window) return 1;
    if (mode == L"--list") {
        const HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
        if (!list) return 1;
        ListRows(list);
        std::fflush(stdout);
        return 0;
    }
    if (mode == L"--system-command") {
        PostMessageW(window, WM_SYSCOMMAND, std::wcstoul(argv[3], nullptr, 10), 0);
        return 0;
    }
    if (argc == 4) {
        TSearch search;
        search.Text = argv[3];
        EnumChildWindows(
            window,
            [](HWND child, LPARAM found) -> BOOL {
                auto& search = *reinterpret_cast<TSearch*>(found);
                if (TextOf(child) != search.Text) return TRUE;
                search.Found = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.Found) return 1;
        RECT place;
        GetWindowRect(search.Found, &place);
        std::printf("%ld %ld\n", (place.left + place.right) / 2, (place.top + place.bottom) / 2);
        return 0;
    }
    // The focus is the window's thread's, asked for from another thread.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    static HWND focus = thread.hwndFocus;
    List(window, focus, true);
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            List(child, focus, false);
            return TRUE;
        },
        0);
    std::fflush(stdout);
    return 0;
}

#pragma once

// The timing diagram's own window on the Win32 API: its bar (zoom, the latest
// step, lines), the drawing in a window of its own painted with GDI, and under
// it the same values in a report-style list view, which Windows screen readers
// read. It follows every step the session records; closed, it is only hidden,
// and it opens again where it was, kept under the program's registry key.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "DiagramPicture.h"
#include "TimingDiagram.h"

class TDiagramWindow {
public:
    TDiagramWindow();
    ~TDiagramWindow();
    TDiagramWindow(const TDiagramWindow&) = delete;
    TDiagramWindow& operator=(const TDiagramWindow&) = delete;

    HWND Handle() const { return Handle_; }
    // Shows the window, the first time where it was last (or under `beside`);
    // without `activate`, it leaves the keyboard where it is.
    void Open(HWND beside, bool activate);

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CanvasProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleCanvas(UINT message, WPARAM wParam, LPARAM lParam);

    int Scaled(int length) const { return MulDiv(length, static_cast<int>(Dpi_), 96); }
    double Unscaled(int length) const { return length * 96.0 / Dpi_; }
    void Rescale(UINT dpi);
    void Layout();
    void Paint(HDC context);
    // A step was recorded: drawn at once, and the rest soon after.
    void Follow();
    // What is in view changed: the drawing, the scroll bars, the span, the list.
    void ViewChanged();
    void ChangedBy(bool changed);
    void RememberPlace();
    // The list view asks for the text of a cell it shows.
    void FillCell(NMLVDISPINFOW& cell);

    TTimingDiagram Diagram_;
    TDiagramPicture Picture_;
    HWND Handle_ = nullptr;
    HWND Canvas_ = nullptr, List_ = nullptr, Span_ = nullptr, Lines_ = nullptr;
    HWND Buttons_[3] = {};
    HFONT Font_ = nullptr, TextFont_ = nullptr;
    UINT Dpi_ = 96;
    int CanvasTop_ = 0;  // how far the drawing is scrolled down, in its own pixels
    bool Placed_ = false;
    bool AroundDue_ = false;  // the list, scroll bars and span are to catch up with a step
    std::wstring CellText_;  // the text last handed to the list view
};

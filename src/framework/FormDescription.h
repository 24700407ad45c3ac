#pragma once

// What a form description says of the form and of each control, as data: the
// form header of a toolkit without a designer compiler of its own holds it,
// made from the Qt Designer form at build time (cmake/ui_to_form.py).
#include <optional>

struct TColor {
    unsigned char Red, Green, Blue;
};
struct TRect {
    int Left, Top, Width, Height;
};
struct TFormDescription {
    const char* Name;
    const char* Caption;  // UTF-8
    TRect Place;          // the frame's place on the screen, the client area's size
    const char* FontFamily;
    int FontHeight;  // in pixels
    std::optional<TColor> Color;
    std::optional<TColor> TextColor;
};
enum class TControlKind { GroupBox, Button, Label, Memo };
struct TControlDescription {
    TControlKind Kind;
    const char* Name;
    int Parent;  // index of the parent in the description, -1 for the form
    TRect Place;
    const char* Caption;  // UTF-8
    const char* FontFamily;
    int FontHeight;                   // in pixels
    std::optional<TColor> Color;      // none: the parent's
    std::optional<TColor> TextColor;  // none: the system's
    bool TabStop;
    bool Default;  // the button that Return clicks when no other button has the focus
    const char* AccessibleName;  // UTF-8; empty: what it shows names it
    int Buddy;  // for a label, the index of the control it names; -1 for none
};

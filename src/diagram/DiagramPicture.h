#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the timing diagram draws, in pixels of its area, for a toolkit to paint
// in this order: boxes, then paths, then texts. Inks name what a mark is, not its
// colour, so each toolkit (and each colour scheme) picks its own.
enum class TInk : std::uint8_t {
    Text,        // names, values, step numbers
    Grid,        // the step grid and the separators
    Bus,         // a bus's outline, a latch's level
    Dense,       // steps too narrow to show one by one: a filled band
    Difference,  // the difference as a line
    WindowSum,   // the window sum as a line
    Cursor,      // the cursor's step
};

// Each ink's colour as 0xRRGGBB, on the diagram's white: what the desktop
// windows paint with. (The page takes its inks from its style sheet, which also
// has a set for the dark colour scheme.)
constexpr std::uint32_t InkColour(TInk ink) {
    switch (ink) {
        case TInk::Text:
            return 0x101010;
        case TInk::Grid:
            return 0xd0d0d0;
        case TInk::Bus:
            return 0x1f6f2f;
        case TInk::Dense:
            return 0xa5c5ab;
        case TInk::Difference:
            return 0x1f4fa0;
        case TInk::WindowSum:
            return 0xb0401f;
        case TInk::Cursor:
            return 0xc00000;
    }
    return 0x000000;
}

struct TDiagramPoint {
    float X, Y;
};

// A line through Points[First] .. Points[First + Count - 1]; closed, an outline.
struct TDiagramPath {
    TInk Ink;
    bool Closed;
    std::uint8_t Width;  // of the line, in pixels
    std::uint32_t First, Count;
};

struct TDiagramBox {
    TInk Ink;
    float Left, Top, Width, Height;
};

// A text of Characters[First, First + Length), its left end (or its middle,
// when Centered) at X, its middle at height Y.
struct TDiagramText {
    TInk Ink;
    bool Centered;
    float X, Y;
    std::uint32_t First, Length;
};

struct TDiagramPicture {
    int Width = 0, Height = 0;
    std::vector<TDiagramPoint> Points;
    std::vector<TDiagramPath> Paths;
    std::vector<TDiagramBox> Boxes;
    std::vector<TDiagramText> Texts;
    std::string Characters;  // UTF-8

    void Clear() {
        Points.clear();
        Paths.clear();
        Boxes.clear();
        Texts.clear();
        Characters.clear();
    }

    std::string_view TextOf(const TDiagramText& text) const {
        return std::string_view(Characters).substr(text.First, text.Length);
    }
};

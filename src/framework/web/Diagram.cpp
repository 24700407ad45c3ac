// The page's timing diagram, laid out here as on every toolkit: diagram.js hands
// over the user's keys, wheel and pointer, and paints the picture, reading it
// straight from the program's memory (the layouts below are what it reads).
#include <emscripten.h>

#include <cstddef>
#include <string>

#include "SessionRecord.h"
#include "TimingDiagram.h"

namespace {

TTimingDiagram Diagram(SessionRecord);
TDiagramPicture Picture;
std::string Said;  // the last text handed over, valid until the next call

static_assert(sizeof(TDiagramPoint) == 8);
static_assert(sizeof(TDiagramPath) == 12 && offsetof(TDiagramPath, First) == 4);
static_assert(sizeof(TDiagramBox) == 20 && offsetof(TDiagramBox, Left) == 4);
static_assert(sizeof(TDiagramText) == 20 && offsetof(TDiagramText, X) == 4 &&
              offsetof(TDiagramText, First) == 12);

// What diagram.js reads: the picture's size, then each list's address and length.
struct TPictureForThePage {
    int Width, Height;
    const TDiagramPoint* Points;
    std::size_t PointCount;
    const TDiagramPath* Paths;
    std::size_t PathCount;
    const TDiagramBox* Boxes;
    std::size_t BoxCount;
    const TDiagramText* Texts;
    std::size_t TextCount;
    const char* Characters;
} ForThePage;

const char* Say(std::string text) {
    Said = std::move(text);
    return Said.c_str();
}

}  // namespace

extern "C" {

// True if steps were recorded since.
EMSCRIPTEN_KEEPALIVE bool WebDiagramUpdate() {
    return Diagram.Update();
}

EMSCRIPTEN_KEEPALIVE void WebDiagramMeasure(int width, double digitWidth) {
    Diagram.SetWidth(width);
    Diagram.SetDigitWidth(digitWidth);
}

// The keys as TTimingDiagram::TKey numbers them; true if the key is the diagram's.
EMSCRIPTEN_KEEPALIVE bool WebDiagramKey(int key) {
    return Diagram.Key(static_cast<TTimingDiagram::TKey>(key));
}

EMSCRIPTEN_KEEPALIVE bool WebDiagramWheel(double right, double down, bool shift, bool ctrl) {
    return Diagram.Wheel(right, down, shift, ctrl);
}

EMSCRIPTEN_KEEPALIVE bool WebDiagramPointer(int phase, double x, double y) {
    switch (phase) {
        case 0:
            return Diagram.PointerDown(x, y);
        case 1:
            return Diagram.PointerMove(x);
        default:
            return Diagram.PointerUp(x, y);
    }
}

EMSCRIPTEN_KEEPALIVE void WebDiagramFollowLatest() {
    Diagram.FollowLatest();
}

EMSCRIPTEN_KEEPALIVE void WebDiagramSetLines(bool lines) {
    Diagram.SetLines(lines);
}

EMSCRIPTEN_KEEPALIVE const TPictureForThePage* WebDiagramDraw() {
    Diagram.Draw(Picture);
    ForThePage = {Picture.Width,         Picture.Height,        Picture.Points.data(),
                  Picture.Points.size(), Picture.Paths.data(),  Picture.Paths.size(),
                  Picture.Boxes.data(),  Picture.Boxes.size(),  Picture.Texts.data(),
                  Picture.Texts.size(),  Picture.Characters.data()};
    return &ForThePage;
}

// The steps in view, for the text alternative's rows.
EMSCRIPTEN_KEEPALIVE double WebDiagramFirstShown() {
    return static_cast<double>(Diagram.FirstShown());
}

EMSCRIPTEN_KEEPALIVE double WebDiagramLastShown() {
    return static_cast<double>(Diagram.LastShown());
}

EMSCRIPTEN_KEEPALIVE int WebDiagramColumnCount() {
    return static_cast<int>(TTimingDiagram::Columns.size());
}

EMSCRIPTEN_KEEPALIVE const char* WebDiagramColumn(int column) {
    return TTimingDiagram::Columns[static_cast<std::size_t>(column)];
}

EMSCRIPTEN_KEEPALIVE const char* WebDiagramCell(double step, int column) {
    return Say(Diagram.Cell(static_cast<std::uint64_t>(step), static_cast<std::size_t>(column)));
}

EMSCRIPTEN_KEEPALIVE const char* WebDiagramSpan() {
    return Say(Diagram.SpanText());
}

EMSCRIPTEN_KEEPALIVE const char* WebDiagramCursor() {
    return Say(Diagram.CursorText());
}
}

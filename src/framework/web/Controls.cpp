#include "Controls.h"

#include <emscripten.h>

#include "Application.h"

// The page's side of each service is in document.js; these are the calls into it.
// Text crosses as UTF-8, a colour as 0xRRGGBB or -1 for none.
// clang-format off
EM_JS(int, WebCreateForm, (const char* name, const char* caption, int width, int height,
                           const char* fontFamily, int fontHeight, int color, int textColor), {
    return Module.document.createForm(UTF8ToString(name), UTF8ToString(caption), width, height,
                                      UTF8ToString(fontFamily), fontHeight, color, textColor);
});
EM_JS(int, WebCreateControl, (int kind, int parent, const char* name, int left, int top,
                              int width, int height, const char* caption, const char* fontFamily,
                              int fontHeight, int color, int textColor, int tabStop, int isDefault,
                              const char* accessibleName, const char* buddy, void* control), {
    return Module.document.createControl(kind, parent, UTF8ToString(name), left, top, width,
        height, UTF8ToString(caption), UTF8ToString(fontFamily), fontHeight, color, textColor,
        !!tabStop, !!isDefault, UTF8ToString(accessibleName), UTF8ToString(buddy), control);
});
EM_JS(void, WebSetText, (int element, const char* text, int length), {
    Module.document.setText(element, UTF8ToString(text, length));
});
EM_JS(void, WebSetMemoText, (int element, const char* text, int length), {
    Module.document.setMemoText(element, UTF8ToString(text, length));
});
EM_JS(void, WebAppendMemoText, (int element, const char* text, int length), {
    Module.document.appendMemoText(element, UTF8ToString(text, length));
});
EM_JS(void, WebSetEnabled, (int element, int enabled), {
    Module.document.setEnabled(element, !!enabled);
});
EM_JS(int, WebFocused, (int element), {
    return Module.document.focused(element);
});
EM_JS(void, WebSetFocus, (int element), {
    Module.document.setFocus(element);
});
EM_JS(int, WebStartInterval, (void* timer, int milliseconds), {
    return Module.document.startInterval(timer, milliseconds);
});
EM_JS(void, WebStopInterval, (int interval), {
    Module.document.stopInterval(interval);
});
// clang-format on

// What the page's script calls back: an element's event, an interval's tick.
extern "C" {
EMSCRIPTEN_KEEPALIVE void WebControlNotified(TControl* control) {
    control->Notified();
}
EMSCRIPTEN_KEEPALIVE void WebTimerTicked(TTimer* timer) {
    timer->Ticked();
}
}

namespace {

int ColorValue(const std::optional<TColor>& color) {
    return color ? color->Red << 16 | color->Green << 8 | color->Blue : -1;
}

int Length(std::string_view text) {
    return static_cast<int>(text.size());
}

}  // namespace

// --- Controls ------------------------------------------------------------------------

TControl::TControl(const TControlDescription& description, int parentElement,
                   const char* buddyName)
    : Element_(WebCreateControl(
          static_cast<int>(description.Kind), parentElement, description.Name,
          description.Place.Left, description.Place.Top, description.Place.Width,
          description.Place.Height, description.Caption, description.FontFamily,
          description.FontHeight, ColorValue(description.Color), ColorValue(description.TextColor),
          description.TabStop, description.Default, description.AccessibleName,
          buddyName, this)) {}

TLabel::TLabel(const TControlDescription& description, int parentElement, const char* buddyName)
    : TControl(description, parentElement, buddyName), Caption_(description.Caption) {}

void TLabel::SetCaption(std::string_view caption) {
    if (caption == Caption_) return;
    Caption_ = caption;
    WebSetText(Element_, caption.data(), Length(caption));
}

void TButton::SetEnabled(bool enabled) {
    WebSetEnabled(Element_, enabled);
}

bool TButton::Focused() const {
    return WebFocused(Element_) != 0;
}

void TButton::SetFocus() {
    WebSetFocus(Element_);
}

void TButton::Notified() {
    Application->Dispatch([this] {
        if (OnClick) OnClick(this);
    });
}

void TMemo::SetText(std::string_view text) {
    WebSetMemoText(Element_, text.data(), Length(text));
}

// Only the new tail crosses into the page, and goes in at the end.
void TMemo::AppendText(std::string_view tail) {
    WebAppendMemoText(Element_, tail.data(), Length(tail));
}

// --- The timer -----------------------------------------------------------------------

TTimer::TTimer(TForm*) {}

TTimer::~TTimer() {
    SetEnabled(false);
}

void TTimer::SetInterval(int milliseconds) {
    Interval_ = milliseconds;
    if (Running_) SetEnabled(true);
}

void TTimer::SetEnabled(bool enabled) {
    if (Running_) WebStopInterval(Running_);
    Running_ = enabled ? WebStartInterval(this, Interval_) : 0;
}

void TTimer::Ticked() {
    Application->Dispatch([this] {
        if (OnTimer) OnTimer(this);
    });
}

// --- The form --------------------------------------------------------------------------

void TForm::Build(const TFormDescription& form, const TControlDescription* controls,
                  std::size_t count) {
    const int element =
        WebCreateForm(form.Name, form.Caption, form.Place.Width, form.Place.Height,
                      form.FontFamily, form.FontHeight, ColorValue(form.Color),
                      ColorValue(form.TextColor));
    std::vector<int> elements;
    for (std::size_t i = 0; i < count; ++i) {
        const TControlDescription& control = controls[i];
        const int parent =
            control.Parent < 0 ? element : elements[static_cast<std::size_t>(control.Parent)];
        const char* buddy = control.Buddy < 0 ? "" : controls[control.Buddy].Name;
        switch (control.Kind) {
            case TControlKind::GroupBox:
                Controls_.push_back(std::make_unique<TGroupBox>(control, parent, buddy));
                break;
            case TControlKind::Button:
                Controls_.push_back(std::make_unique<TButton>(control, parent, buddy));
                break;
            case TControlKind::Label:
                Controls_.push_back(std::make_unique<TLabel>(control, parent, buddy));
                break;
            case TControlKind::Memo:
                Controls_.push_back(std::make_unique<TMemo>(control, parent, buddy));
                break;
        }
        elements.push_back(Controls_.back()->Element());
    }
}

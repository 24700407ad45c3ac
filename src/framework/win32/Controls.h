#pragma once

// The controls of a form, on the Win32 API: each is the system's own window
// class of its kind (a button, a static text, an edit box), with the services
// the form's handlers use, under the same names on every toolkit.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FormDescription.h"

class TObject {
public:
    virtual ~TObject() = default;
};

// An event handler: it receives the control that raised the event.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TForm;

// A control: a window of the system's, a child of the form or of a group box.
class TWinControl : public TObject {
public:
    TWinControl(TForm& form, const TControlDescription& description, HWND parent,
                const wchar_t* windowClass, DWORD style, DWORD extendedStyle = 0);
    ~TWinControl() override;
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;

    HWND Handle() const { return Handle_; }
    const TControlDescription& Description() const { return Description_; }
    // The colours it is drawn in: its own, or else its parent's.
    HBRUSH Background() const;
    std::optional<TColor> TextColor() const { return Description_.TextColor; }

    // A notification the control sent its parent (WM_COMMAND's code).
    virtual void Notified(WORD) {}

    // Takes the place and font size its form's scale gives it now.
    virtual void Rescale();

protected:
    TForm& Form_;
    const TControlDescription& Description_;
    HWND Handle_;
    HFONT Font_;
    HBRUSH Brush_ = nullptr;
};

class TLabel : public TWinControl {
public:
    TLabel(TForm& form, const TControlDescription& description, HWND parent);
    // Replaces the caption; the label then resizes to fit it.
    void SetCaption(std::string_view caption);
    void Rescale() override;

private:
    // Its width that of `text`, its height a line's, in its font.
    void FitText(const std::wstring& text);
};

class TButton : public TWinControl {
public:
    TButton(TForm& form, const TControlDescription& description, HWND parent);
    void SetEnabled(bool enabled);
    bool Focused() const;
    void SetFocus();
    void Notified(WORD code) override;
    TNotifyEvent OnClick;
};

// Holds other controls and passes on to the form what they tell their parent.
class TGroupBox : public TWinControl {
public:
    TGroupBox(TForm& form, const TControlDescription& description, HWND parent);
};

// The memo: the system's multi-line edit box, wrapping words, without scroll bars.
class TMemo : public TWinControl {
public:
    TMemo(TForm& form, const TControlDescription& description, HWND parent);
    void Clear() { SetText({}); }
    void SetText(std::string_view text);
    // The text as it is, followed by `tail`; the caret and the view at the start.
    void AppendText(std::string_view tail);
    // How many times the user has changed the text.
    std::uint64_t UserEdits() const { return UserEdits_; }
    void Notified(WORD code) override;

private:
    // Changes made by the program, not counted as the user's.
    void ChangeText(const std::function<void()>& change);
    void ShowStart();

    std::uint64_t UserEdits_ = 0;
    bool ChangingText_ = false;
};

// A periodic timer whose ticks arrive as messages between the others; it runs
// once its form has a window.
class TTimer : public TObject {
public:
    explicit TTimer(TForm* owner);
    ~TTimer() override;
    void SetInterval(int milliseconds);
    void SetEnabled(bool enabled);
    TNotifyEvent OnTimer;

private:
    TForm& Form_;
    UINT_PTR Id_;
    int Interval_ = 1000;
    bool Enabled_ = false;
};

// A window of the program, built from its form description.
class TForm : public TObject {
public:
    TForm();
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const { return Handle_; }

    // What the form header's setupUi calls: creates the window and its
    // controls as described, and gives each control to its member.
    template <std::size_t Count>
    void Build(const TFormDescription& form, const TControlDescription (&controls)[Count]) {
        Build(form, controls, Count);
    }
    template <class TControl>
    TControl* Control(std::size_t index) {
        return static_cast<TControl*>(Controls_[index].get());
    }

    HBRUSH Background() const { return Brush_; }
    // A length of the form description, in pixels of the screen the window is on:
    // the description's pixels are those of 96 dots per inch.
    int Scaled(int length) const { return MulDiv(length, static_cast<int>(Dpi_), 96); }
    void AddTimer(TTimer* timer, UINT_PTR id) { Timers_.push_back({id, timer}); }
    // The control to give the keyboard focus back to when the window is active again.
    void RememberFocus(HWND control) { Focus_ = control; }

protected:
    // Called by a form once its controls are built (nothing to do on Windows:
    // the description is applied as it is built).
    void Loaded() {}

private:
    void Build(const TFormDescription& form, const TControlDescription* controls,
               std::size_t count);
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The window and its controls drawn for `dpi` dots per inch.
    void Rescale(UINT dpi);

    HWND Handle_ = nullptr;
    UINT Dpi_ = 96;
    HFONT Font_ = nullptr;
    HBRUSH Brush_ = nullptr;
    const TFormDescription* Description_ = nullptr;
    std::vector<std::unique_ptr<TWinControl>> Controls_;
    std::vector<std::pair<UINT_PTR, TTimer*>> Timers_;
    HWND Focus_ = nullptr;  // the control to give the focus back to
};

// UTF-8 to the UTF-16 that Windows takes, and back.
std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

// The dots per inch of the screen a window is on (of the system's main one for none).
UINT DpiOf(HWND window);

// The object a window of ours was made for, passed as its creation parameter and
// kept with it from its first message on; none before.
template <class TOwner>
TOwner* OwnerOf(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    return reinterpret_cast<TOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The system menu's entry that opens the timing diagram.
inline constexpr UINT DiagramCommand = 0x0010;

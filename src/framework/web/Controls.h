#pragma once

// The controls of a form, on the browser's document: each is the element of its
// kind (a <button>, an <output> for a value, a <textarea> for the memo), with
// the services the form's handlers use, under the same names on every toolkit.
// The elements are made and changed by the page's script (document.js); here
// each control holds the number by which that script knows its element.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FormDescription.h"

class TObject {
public:
    virtual ~TObject() = default;
};

class TForm;

// An event handler: it receives the control that raised the event.
using TNotifyEvent = std::function<void(TObject* sender)>;

// A control: an element of the page, in the form's element or a group box's.
class TControl : public TObject {
public:
    // `buddyName`: for a label, the control it names, or "".
    TControl(const TControlDescription& description, int parentElement, const char* buddyName);
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    int Element() const { return Element_; }

    // What the element tells of itself: a click, an edit by the user.
    virtual void Notified() {}

protected:
    int Element_;
};

class TLabel : public TControl {
public:
    TLabel(const TControlDescription& description, int parentElement, const char* buddyName);
    // Replaces the caption; the label then fits it. Only a caption that changes
    // touches the page, so assistive technology hears of real changes alone.
    void SetCaption(std::string_view caption);

private:
    std::string Caption_;
};

class TButton : public TControl {
public:
    using TControl::TControl;
    void SetEnabled(bool enabled);
    bool Focused() const;
    void SetFocus();
    void Notified() override;
    TNotifyEvent OnClick;
};

class TGroupBox : public TControl {
public:
    using TControl::TControl;
};

// The memo: the browser's own multi-line text box, wrapping words, without
// scroll bars.
class TMemo : public TControl {
public:
    using TControl::TControl;
    void Clear() { SetText({}); }
    void SetText(std::string_view text);
    // The text as it is, followed by `tail`; the view at the start.
    void AppendText(std::string_view tail);
    // How many times the user has changed the text.
    std::uint64_t UserEdits() const { return UserEdits_; }
    void Notified() override { ++UserEdits_; }

private:
    std::uint64_t UserEdits_ = 0;
};

// A periodic timer whose ticks arrive as events between the others: the
// browser's interval.
class TTimer : public TObject {
public:
    explicit TTimer(TForm* owner);
    ~TTimer() override;
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    void SetInterval(int milliseconds);
    void SetEnabled(bool enabled);
    void Ticked();
    TNotifyEvent OnTimer;

private:
    int Interval_ = 1000;
    int Running_ = 0;  // the page's number for the interval; 0 while stopped
};

// A window of the program, built from its form description: an element of the
// page, the size of the form's client area.
class TForm : public TObject {
public:
    TForm() = default;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    // What the form header's setupUi calls: makes the form's element and its
    // controls' as described, and gives each control to its member.
    template <std::size_t Count>
    void Build(const TFormDescription& form, const TControlDescription (&controls)[Count]) {
        Build(form, controls, Count);
    }
    template <class TControlClass>
    TControlClass* Control(std::size_t index) {
        return static_cast<TControlClass*>(Controls_[index].get());
    }

protected:
    // Called by a form once its controls are built (nothing to do in a page: the
    // description is applied as it is built).
    void Loaded() {}

private:
    void Build(const TFormDescription& form, const TControlDescription* controls,
               std::size_t count);

    std::vector<std::unique_ptr<TControl>> Controls_;
};

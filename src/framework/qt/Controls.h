#pragma once

// The controls of a form, on Qt Widgets: each is the Qt widget of its kind, with
// the services the form's handlers use, under the same names on every toolkit.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "MemoBox.h"

using TObject = QObject;
// An event handler: it receives the control that raised the event.
using TNotifyEvent = std::function<void(TObject* sender)>;

// A window of the program, built from its form description.
class TForm : public QWidget {
public:
    TForm();

protected:
    // Called by a form once its controls are built: the window's frame goes where
    // the form description puts it, and the labels fit their text.
    void Loaded();
};

class TLabel : public QLabel {
public:
    using QLabel::QLabel;
    // Replaces the caption; the label then resizes to fit it, and assistive
    // technology hears of the change.
    void SetCaption(std::string_view caption);
};

class TButton : public QPushButton {
public:
    explicit TButton(QWidget* parent = nullptr);
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Focused() const { return hasFocus(); }
    void SetFocus() { setFocus(); }
    TNotifyEvent OnClick;
};

class TGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
};

// The memo: an editable text box for a text that keeps growing at its end.
class TMemo : public MemoBox {
public:
    using MemoBox::MemoBox;
    void Clear() { clear(); }
    void SetText(std::string_view text);
    // The text as it is, followed by `tail`; the caret and the view at the start.
    void AppendText(std::string_view tail);
    // How many times the user has changed the text.
    std::uint64_t UserEdits() const { return userEditCount(); }
};

// A periodic timer whose ticks arrive as events between the others.
class TTimer : public QTimer {
public:
    explicit TTimer(QObject* owner);
    void SetInterval(int milliseconds) { setInterval(milliseconds); }
    void SetEnabled(bool enabled) { enabled ? start() : stop(); }
    TNotifyEvent OnTimer;
};

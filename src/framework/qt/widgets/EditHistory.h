#pragma once

#include <QString>
#include <optional>
#include <vector>

// The user's edits of a text, for undo and redo, grouped as Qt's own text boxes
// group them: characters typed one after another at the caret are one edit (a
// paste takes in the typing after it, but not the typing before it), and so are
// characters deleted one after another in one direction; a new line, a cut and
// anything else stand alone.
class TEditHistory {
public:
    // One replacement: `Removed` taken out at `Position`, then `Inserted` put in.
    struct TChange {
        qsizetype Position = 0;
        QString Removed;
        QString Inserted;
    };

    // How an edit was made, which decides what it merges with.
    enum class TKind { Typing, Pasting, Backspacing, Deleting, Other };

    // What undoing or redoing an edit does to the text, and where the caret goes.
    struct TStep {
        TChange Change;
        qsizetype Caret = 0;
    };

    void Record(const TChange& change, TKind kind);

    bool CanUndo() const { return Done_ > 0; }
    bool CanRedo() const { return Done_ < Edits_.size(); }

    // The change that takes the last edit back, if there is one.
    std::optional<TStep> Undo();
    // The change that makes the last edit taken back again, if there is one.
    std::optional<TStep> Redo();

    void Clear();

private:
    struct TEdit {
        TChange Change;
        TKind Kind;
    };

    bool Merge(const TChange& change, TKind kind);

    std::vector<TEdit> Edits_;
    std::size_t Done_ = 0;  // edits before this are done, the rest taken back
};

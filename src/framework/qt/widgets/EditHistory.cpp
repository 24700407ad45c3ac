#include "EditHistory.h"

void TEditHistory::Record(const TChange& change, TKind kind) {
    Edits_.resize(Done_);  // a new edit drops what was taken back
    if (Merge(change, kind)) return;
    Edits_.push_back({change, kind});
    ++Done_;
}

// Typing goes on an edit that ends where it is typed, unless that edit ended a
// line; a deletion goes on one that deleted up to it from the same side.
bool TEditHistory::Merge(const TChange& change, TKind kind) {
    if (Edits_.empty()) return false;
    TEdit& last = Edits_.back();
    TChange& previous = last.Change;
    switch (kind) {
        case TKind::Typing:
            if ((last.Kind == TKind::Typing || last.Kind == TKind::Pasting) &&
                change.Removed.isEmpty() && !previous.Inserted.endsWith(u'\n') &&
                !change.Inserted.startsWith(u'\n') &&
                previous.Position + previous.Inserted.size() == change.Position) {
                previous.Inserted += change.Inserted;
                return true;
            }
            return false;
        case TKind::Backspacing:
            if (last.Kind == TKind::Backspacing &&
                change.Position + change.Removed.size() == previous.Position) {
                previous.Position = change.Position;
                previous.Removed.prepend(change.Removed);
                return true;
            }
            return false;
        case TKind::Deleting:
            if (last.Kind == TKind::Deleting && change.Position == previous.Position) {
                previous.Removed += change.Removed;
                return true;
            }
            return false;
        case TKind::Pasting:
        case TKind::Other:
            break;
    }
    return false;
}

// Undone, the inserted text goes and the removed text comes back, the caret
// after it; redone, the other way round.
std::optional<TEditHistory::TStep> TEditHistory::Undo() {
    if (!CanUndo()) return std::nullopt;
    const TChange& done = Edits_[--Done_].Change;
    return TStep{{done.Position, done.Inserted, done.Removed}, done.Position + done.Removed.size()};
}

std::optional<TEditHistory::TStep> TEditHistory::Redo() {
    if (!CanRedo()) return std::nullopt;
    const TChange& undone = Edits_[Done_++].Change;
    return TStep{undone, undone.Position + undone.Inserted.size()};
}

void TEditHistory::Clear() {
    Edits_.clear();
    Done_ = 0;
}

// SPDX-License-Identifier: MIT
#pragma once

#include "deckmodel.h"

#include <QUndoCommand>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The changes the editor makes, as undoable commands. Each names its entries
// by an EntryRef, which follows an entry put back under a new ID, and keeps
// the texts it last saw them hold: undo and redo write only while the entry
// still holds them. A step that cannot be written is reported by the model
// and leaves the command obsolete, so the undo stack drops it and goes on.

class EditTextCommand : public QUndoCommand {
public:
    EditTextCommand(DeckModel& model, std::shared_ptr<EntryRef> entry, DeckEntry before, DeckEntry after);
    void redo() override;
    void undo() override;

private:
    DeckModel& model_;
    std::shared_ptr<EntryRef> entry_;
    DeckEntry before_, after_;
    DeckModel::Step next_ = DeckModel::Step::Do;
};

class AddEntryCommand : public QUndoCommand {
public:
    AddEntryCommand(DeckModel& model, std::string term, std::string definition);
    void redo() override;
    void undo() override;
    std::int64_t entryId() const { return entry_.empty() ? 0 : entry_[0]->id; }

private:
    DeckModel& model_;
    EntryRefs entry_; // none until the first redo stores it
    DeckEntry texts_;
};

class DeleteEntriesCommand : public QUndoCommand {
public:
    DeleteEntriesCommand(DeckModel& model, EntryRefs refs, std::vector<DeckEntry> entries);
    void redo() override;
    void undo() override;

private:
    DeckModel& model_;
    EntryRefs refs_;
    std::vector<DeckEntry> entries_;
    DeckModel::Step next_ = DeckModel::Step::Do;
};

#pragma once

#include "deckmodel.h"

#include <QUndoCommand>

#include <cstdint>
#include <string>
#include <vector>

// The changes the editor makes, as undoable commands. Each names its entries
// by ID, which stays while rows move. A step that cannot be written is
// reported by the model and leaves the command obsolete, so the undo stack
// drops it.

class EditTextCommand : public QUndoCommand {
public:
    EditTextCommand(DeckModel& model, std::int64_t id, int column, std::string before, std::string after);
    void redo() override;
    void undo() override;

private:
    DeckModel& model_;
    std::int64_t id_;
    int column_;
    std::string before_, after_;
};

class AddEntryCommand : public QUndoCommand {
public:
    explicit AddEntryCommand(DeckModel& model);
    void redo() override;
    void undo() override;
    std::int64_t entryId() const { return entry_[0].id; }

private:
    DeckModel& model_;
    std::vector<DeckEntry> entry_{DeckEntry{}};
    bool stored_ = false; // its ID was given by the first redo
};

class DeleteEntriesCommand : public QUndoCommand {
public:
    DeleteEntriesCommand(DeckModel& model, std::vector<DeckEntry> entries);
    void redo() override;
    void undo() override;

private:
    DeckModel& model_;
    std::vector<DeckEntry> entries_;
};

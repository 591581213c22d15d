// SPDX-License-Identifier: MIT
#include "entrycommands.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EntryCommands", text);
}

} // namespace

EditTextCommand::EditTextCommand(DeckModel& model, std::shared_ptr<EntryRef> entry, DeckEntry before, DeckEntry after)
    : model_(model), entry_(std::move(entry)), before_(std::move(before)), after_(std::move(after))
{
    setText(before_.term != after_.term ? tr("Edit Term") : tr("Edit Definition"));
}

void EditTextCommand::redo()
{
    setObsolete(!model_.attempt([&] { model_.writeTexts(*entry_, before_, after_); }, next_));
    next_ = DeckModel::Step::Redo;
}

void EditTextCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.writeTexts(*entry_, after_, before_); }, DeckModel::Step::Undo));
}

AddEntryCommand::AddEntryCommand(DeckModel& model, std::string term, std::string definition)
    : model_(model), texts_{0, std::move(term), std::move(definition)}
{
    setText(tr("New Entry"));
}

void AddEntryCommand::redo()
{
    if (entry_.empty()) {
        setObsolete(
            !model_.attempt([&] { entry_.push_back(model_.refFor(model_.writeNew(texts_.term, texts_.definition))); }));
        return;
    }
    setObsolete(!model_.attempt([&] { model_.writeBack(entry_, {texts_}); }, DeckModel::Step::Redo));
}

void AddEntryCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.writeDelete(entry_, {texts_}); }, DeckModel::Step::Undo));
}

DeleteEntriesCommand::DeleteEntriesCommand(DeckModel& model, EntryRefs refs, std::vector<DeckEntry> entries)
    : model_(model), refs_(std::move(refs)), entries_(std::move(entries))
{
    setText(entries_.size() == 1 ? tr("Delete Entry") : tr("Delete Entries"));
}

void DeleteEntriesCommand::redo()
{
    setObsolete(!model_.attempt([&] { model_.writeDelete(refs_, entries_); }, next_));
    next_ = DeckModel::Step::Redo;
}

void DeleteEntriesCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.writeBack(refs_, entries_); }, DeckModel::Step::Undo));
}

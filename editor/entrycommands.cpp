#include "entrycommands.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EntryCommands", text);
}

} // namespace

EditTextCommand::EditTextCommand(DeckModel& model, std::int64_t id, int column, std::string before, std::string after)
    : model_(model), id_(id), column_(column), before_(std::move(before)), after_(std::move(after))
{
    setText(column == DeckModel::TermColumn ? tr("Edit Term") : tr("Edit Definition"));
}

void EditTextCommand::redo()
{
    setObsolete(!model_.attempt([&] { model_.writeText(id_, column_, after_); }));
}

void EditTextCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.writeText(id_, column_, before_); }));
}

AddEntryCommand::AddEntryCommand(DeckModel& model) : model_(model)
{
    setText(tr("New Entry"));
}

void AddEntryCommand::redo()
{
    setObsolete(!model_.attempt([&] { model_.writeEntries(entry_, stored_); }));
    stored_ = true;
}

void AddEntryCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.deleteIds({entryId()}); }));
}

DeleteEntriesCommand::DeleteEntriesCommand(DeckModel& model, std::vector<DeckEntry> entries)
    : model_(model), entries_(std::move(entries))
{
    setText(entries_.size() == 1 ? tr("Delete Entry") : tr("Delete Entries"));
}

void DeleteEntriesCommand::redo()
{
    std::vector<std::int64_t> ids;
    for (const DeckEntry& entry : entries_)
        ids.push_back(entry.id);
    setObsolete(!model_.attempt([&] { model_.deleteIds(ids); }));
}

void DeleteEntriesCommand::undo()
{
    setObsolete(!model_.attempt([&] { model_.writeEntries(entries_, true); }));
}

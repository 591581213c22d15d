// SPDX-License-Identifier: MIT
// A stand-in for the program that the reliability tests start as a child
// process: it drives the entry store as the window's handlers do and reports
// each change on standard output, flushed, once the store operation returned.
//
//   storedriver cycle DATABASE FIRST_NUMBER   store entries, delete them all, again, until killed
//   storedriver store DATABASE FIRST_NUMBER COUNT   store COUNT entries, then exit
//   storedriver hold DATABASE SECONDS          hold a write transaction open, then roll it back
//   storedriver edit DATABASE FIRST_NUMBER     edit as the deck editor does, until killed
//
// Lines: "ready", "S <id> <number>" after an entry is stored ("S - <number>"
// when another copy may be writing too), "B" as a
// deletion of all entries begins, "D <id>" after an entry is deleted, "R"
// when the deletion has ended, "held" once the write transaction is open.
// The editor's lines: "T <id> <number>" after a new entry is stored with its
// term, "S <id> <number>" after its definition is (or
// redone), "u" and "U <id> <number>" before and after that is undone; "B" and "R" around the
// deletion of every entry, in one transaction.

#include "connection.h"
#include "datacontrol.h"
#include "deckmodel.h"
#include "entrytexts.h"
#include "error.h"
#include "value.h"

#include <SQLiteCpp/Database.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <thread>

namespace {

void say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// "&OK" after the two boxes were typed: AddNew, the fields, Update. With
// `readId`, the new entry's ID is read back as the largest, as the random
// pick reads it; only a copy that writes alone can tell it that way.
void storeOne(store::DataControl& data, long number, bool readId)
{
    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, entrytexts::termOf(number));
    data.Recordset().setPendingField(&store::Record::description, entrytexts::definitionOf(number));
    data.Recordset().Update();
    std::string id = "-";
    if (readId) {
        data.Recordset().MoveLast();
        id = std::to_string(std::get<std::int64_t>(data.Recordset().Fields("ID")));
    }
    say("S " + id + " " + std::to_string(number));
}

void connect(store::DataControl& data, const std::string& path)
{
    data.setDatabaseName(path);
    data.setRecordSource("Questions");
    data.Refresh();
}

// "Re&start" after Yes, step by step as its handler does it, backup first.
void deleteAll(store::DataControl& data)
{
    say("B");
    data.setRecordSource("SELECT * FROM Questions");
    data.Refresh();
    if (data.Recordset().RecordCount() != 0) {
        data.backUp(data.DatabaseName() + ".bak");
        data.Recordset().MoveFirst();
        while (!data.Recordset().Eof()) {
            const auto id = std::get<std::int64_t>(data.Recordset().Fields("ID"));
            data.Recordset().Delete();
            say("D " + std::to_string(id));
            data.Recordset().MoveNext();
        }
        data.Recordset().Update();
        data.Refresh();
    }
    say("R");
    data.settleFile(); // the idle point after the handler
}

int cycle(const std::string& path, long number)
{
    store::DataControl data;
    connect(data, path);
    say("ready");
    std::mt19937 random(static_cast<unsigned>(number));
    for (;;) {
        connect(data, path);
        const int count = std::uniform_int_distribution<int>(20, 400)(random);
        for (int i = 0; i < count; ++i)
            storeOne(data, number++, true);
        deleteAll(data);
    }
}

int storeMany(const std::string& path, long number, long count)
{
    store::DataControl data;
    connect(data, path);
    say("ready");
    for (long i = 0; i < count; ++i) {
        storeOne(data, number + i, false);
        connect(data, path); // as "&Review" and back to "&Create" would
    }
    return 0;
}

int edit(const std::string& path, long number)
{
    store::Connection deck(path);
    DeckModel model(deck);
    QObject::connect(&model, &DeckModel::failed,
                     [](int code, const QString& description) { throw store::Error(code, description.toStdString()); });
    say("ready");
    std::mt19937 random(static_cast<unsigned>(number));
    for (;;) {
        const int count = std::uniform_int_distribution<int>(20, 200)(random);
        for (int i = 0; i < count; ++i, ++number) {
            // A new row is stored with its first text: it gets its ID then.
            const int row = model.addEntry();
            model.setData(model.index(row, DeckModel::TermColumn), QString::fromStdString(entrytexts::termOf(number)));
            const std::string id = std::to_string(model.idAt(row));
            say("T " + id + " " + std::to_string(number));
            model.setData(model.index(row, DeckModel::DefinitionColumn),
                          QString::fromStdString(entrytexts::definitionOf(number)));
            say("S " + id + " " + std::to_string(number));
            if (i % 7 == 3) {
                say("u " + id + " " + std::to_string(number)); // about to undo: the test then expects it
                model.undoStack()->undo();
                say("U " + id + " " + std::to_string(number));
                model.undoStack()->redo();
                say("S " + id + " " + std::to_string(number));
            }
        }
        say("B");
        std::vector<int> rows(std::size_t(model.rowCount()));
        std::iota(rows.begin(), rows.end(), 0);
        model.removeEntries(rows);
        say("R");
    }
}

int hold(const std::string& path, int seconds)
{
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    db.exec("BEGIN EXCLUSIVE");
    say("held");
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    db.exec("ROLLBACK");
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string command = argc > 2 ? argv[1] : "";
    try {
        if (command == "cycle" && argc == 4)
            return cycle(argv[2], std::atol(argv[3]));
        if (command == "store" && argc == 5)
            return storeMany(argv[2], std::atol(argv[3]), std::atol(argv[4]));
        if (command == "edit" && argc == 4)
            return edit(argv[2], std::atol(argv[3]));
        if (command == "hold" && argc == 4)
            return hold(argv[2], std::atoi(argv[3]));
    } catch (const store::Error& e) {
        std::fprintf(stderr, "storedriver: error %d: %s\n", e.number(), e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "storedriver: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: storedriver cycle|store|edit|hold DATABASE ...\n");
    return 2;
}

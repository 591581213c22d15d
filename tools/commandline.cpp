// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "commands.h"
#include "deckerror.h"

#include <QCommandLineParser>

#include <sqlite3.h>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

namespace deck {
namespace {

constexpr const char* kProgram = "verbrio-deck";
constexpr const char* kExitStatuses = "Exit status: 0 success, 1 failure, 2 wrong usage, "
                                      "3 done but its report could not be written.\n";

using Handler = void (*)(const Invocation&);

struct Argument {
    const char* name = nullptr;
    const char* description = nullptr;
    bool optional = false;
};

struct Option {
    const char* name = nullptr;
    const char* valueName = nullptr; // nullptr for a flag
    const char* description = nullptr;
};

struct Command {
    const char* name = nullptr;
    const char* brief = nullptr;   // one line for the general help
    const char* summary = nullptr; // the command's own help
    std::vector<Argument> arguments;
    std::vector<Option> options;
    Handler run = nullptr;
    const char* afterFailure = nullptr; // said after any error, or nullptr
};

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"init",
         "Writes a new, empty deck.",
         "Writes a new, empty deck FILE. Refuses to touch a file that exists.",
         {{"FILE", "The deck to write, e.g. Verbrio.mdb."}},
         {},
         runInit,
         nullptr},
        {"import",
         "Adds the entries of a text file, a KVTML file, a flashcard package or another deck to a deck.",
         "Adds the entries of SOURCE to the deck FILE, in the order of SOURCE: all of them, or none if a line "
         "is malformed or the IDs would pass 32767. SOURCE is tab-separated text (.tsv, .tab, .txt; term, tab, "
         "definition), CSV (.csv; its separator is guessed from its lines unless given), KVTML (.kvtml; KDE's "
         "word lists), a notes export (text beginning with header lines such as #separator:tab, whatever its name), "
         "a flashcard package (.apkg, .colpkg), or another Verbrio deck (known by its content: merging or restoring "
         "a copy). Text is "
         "UTF-8, or UTF-16 with a byte-order mark, or what --encoding says.",
         {{"FILE", "An existing deck."}, {"SOURCE", "The file to read, or - for standard input (with --format)."}},
         {{"format", "format", "Reads SOURCE as tsv, csv, kvtml, notes, anki or deck, whatever its name."},
          {"separator", "separator",
           "CSV: the separator, comma, semicolon, tab, pipe, space, one character or several (' - ', read with "
           "quotes as ordinary characters, also for tab-separated text)."},
          {"row-separator", "text",
           "CSV and tab-separated text: what ends a row (';') instead of a line end, as custom exports write."},
          {"encoding", "encoding",
           "The encoding of the text, e.g. windows-1252, iso-8859-2, shift_jis (any iconv knows)."},
          {"languages", "A,B", "KVTML: the identifiers of the languages for term and definition, e.g. en,de."},
          {"columns", "N,M",
           "Notes exports and packages: the columns (fields) for term and definition, counted from 1, e.g. 1,3."},
          {"html", nullptr,
           "Reads the texts as HTML and keeps the text a browser shows (notes exports that say #html:true and packages "
           "always are)."},
          {"skip-header", nullptr, "Skips the first line (the first entry) of tab-separated or CSV text."},
          {"allow-long", nullptr, "Imports terms and definitions longer than the 255 characters Verbrio's boxes take."},
          {"skip-duplicates", nullptr, "Leaves out an entry whose term and definition both equal a stored entry's."}},
         runImport,
         "Nothing was imported; the deck is unchanged."},
        {"export",
         "Writes a deck's entries as CSV or tab-separated text.",
         "Writes every entry of the deck FILE, in ID order, as CSV or tab-separated text. CSV keeps any text "
         "exactly; tab-separated text cannot hold tabs or line breaks.",
         {{"FILE", "The deck to read."},
          {"OUT", "The file to write; its name (.csv, .tsv) chooses the format. Standard output (CSV) if left out.",
           true}},
         {{"format", "format", "Writes csv or tsv, whatever OUT's name."}},
         runExport,
         nullptr},
        {"check",
         "Reports a deck's entries, IDs, gaps and integrity.",
         "Reports the deck's number of entries, its ID range and gaps, and SQLite's integrity check, with a "
         "warning when the Review screen cannot pick from it or picks slowly.",
         {{"FILE", "The deck to check; nothing is written to it."}},
         {},
         runCheck,
         nullptr},
        {"compact",
         "Renumbers a deck's entries 1 to n and reclaims free space.",
         "Renumbers the entries of FILE 1 to n in their present order, in one transaction, and reclaims the "
         "free space. It needs the deck alone: it waits up to 2 seconds for another program that has the deck "
         "open, then gives up and changes nothing. Close Verbrio first.",
         {{"FILE", "The deck to compact."}},
         {},
         runCompact,
         "The deck is unchanged."},
        {"restore",
         "Adds back the entries Verbrio kept before \"Restart\" deleted them.",
         "Adds to the deck FILE what it lacks of BACKUP (FILE.bak unless given: the copy Verbrio writes before "
         "\"Restart\" deletes every entry; the two before it are FILE.bak.1 and FILE.bak.2), all of it or none. "
         "An entry whose ID and texts FILE holds is already there; one whose ID is free and whose texts are new "
         "comes back under its own ID; any other gets a new ID above the largest, and the deck's own entries "
         "stay. BACKUP is only read, as it is: a journal or -wal beside it is not applied.",
         {{"FILE", "The deck to restore into."}, {"BACKUP", "The copy to read; FILE.bak if left out.", true}},
         {},
         runRestore,
         "Nothing was restored; the deck is unchanged."},
    };
    return table;
}

const Command* commandNamed(const QString& name)
{
    for (const Command& command : commands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

const QCommandLineOption kHelp({"h", "help"}, "Shows this help.");
const QCommandLineOption kVersion({"v", "version"}, "Shows the version.");

std::string generalHelp()
{
    std::string text = std::string("Usage: ") + kProgram
                       + " COMMAND [options] ARGUMENTS\n"
                         "Fills, exports, checks, compacts and edits Verbrio decks (Verbrio.mdb files).\n\nCommands:\n";
    for (const Command& command : commands())
        text += "  " + std::string(command.name) + std::string(9 - std::string(command.name).size(), ' ')
                + command.brief + "\n";
    // Run by main() before this parser: the window needs a QApplication.
    text += "  edit     Opens a window to browse, search, edit, add and delete a deck's entries.\n";
    text += std::string("\nOptions:\n"
                        "  -h, --help     Shows this help; '")
            + kProgram
            + " COMMAND --help' shows a command's.\n"
              "  -v, --version  Shows the version.\n\n"
            + kExitStatuses;
    return text;
}

void setUp(QCommandLineParser& parser, const Command& command)
{
    parser.setApplicationDescription(QString::fromUtf8(command.summary));
    parser.addOption(kHelp);
    for (const Option& option : command.options) {
        if (option.valueName)
            parser.addOption(QCommandLineOption(option.name, option.description, option.valueName));
        else
            parser.addOption(QCommandLineOption(option.name, option.description));
    }
    for (const Argument& argument : command.arguments)
        parser.addPositionalArgument(argument.name, argument.description,
                                     argument.optional ? "[" + QString(argument.name) + "]" : QString(argument.name));
}

std::string commandHelp(const QCommandLineParser& parser, const Command& command)
{
    std::string usageLine =
        std::string("Usage: ") + kProgram + " " + command.name + (command.options.empty() ? "" : " [options]");
    for (const Argument& argument : command.arguments)
        usageLine += argument.optional ? " [" + std::string(argument.name) + "]" : " " + std::string(argument.name);
    // Qt's own first line names the executable's path and not the command.
    const QString qtHelp = parser.helpText();
    return usageLine + "\n" + qtHelp.section(u'\n', 1).toStdString() + "\n" + kExitStatuses;
}

std::string requiredArguments(const Command& command)
{
    std::string names;
    for (const Argument& argument : command.arguments)
        if (!argument.optional)
            names += (names.empty() ? "" : " and ") + std::string(argument.name);
    return names;
}

int runCommand(const Command& command, const QString& program, const QStringList& rest, Console& console)
{
    QCommandLineParser parser;
    setUp(parser, command);
    if (!parser.parse(QStringList{program} + rest))
        throw usageError(parser.errorText().toStdString());
    if (parser.isSet(kHelp)) {
        write(console.out, commandHelp(parser, command));
        return kSuccess;
    }
    const QStringList arguments = parser.positionalArguments();
    const auto required = std::count_if(command.arguments.begin(), command.arguments.end(),
                                        [](const Argument& argument) { return !argument.optional; });
    const auto allowed = static_cast<qsizetype>(command.arguments.size());
    if (arguments.size() < required)
        throw usageError(std::string(command.name) + " needs " + requiredArguments(command));
    if (arguments.size() > allowed)
        throw usageError(std::string("too many arguments for ") + command.name + ": '"
                         + arguments.at(allowed).toStdString() + "'");
    command.run(Invocation{parser, arguments, console});
    return kSuccess;
}

int report(const store::Error& error, const Command* command, Console& console)
{
    const std::string prefix = std::string(kProgram) + ": ";
    if (error.number() == static_cast<int>(DeckErrorCode::Usage)) {
        say(console.err, prefix + error.description());
        say(console.err,
            std::string("Try '") + kProgram + " " + (command ? std::string(command->name) + " " : "") + "--help'.");
        return kWrongUsage;
    }
    if (error.number() == static_cast<int>(DeckErrorCode::NotReported)) {
        say(console.err, prefix + error.description());
        return kNotReported;
    }
    if (error.number() == SQLITE_BUSY)
        say(console.err, prefix
                             + "the deck is in use: another program has held it for 2 seconds, reading or "
                               "writing. Close that program, or wait, and try again. ("
                             + error.description() + ")");
    else
        say(console.err, prefix + error.description());
    if (command && command->afterFailure)
        say(console.err, prefix + command->afterFailure);
    return kFailure;
}

} // namespace

int runDeckTool(const QStringList& arguments, Console& console)
{
    const Command* command = nullptr;
    try {
        try {
            QCommandLineParser parser;
            parser.addOption(kHelp);
            parser.addOption(kVersion);
            parser.addPositionalArgument("COMMAND", "init, import, export, check or compact.");
            // Everything after the command is the command's to parse.
            parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
            if (!parser.parse(arguments))
                throw usageError(parser.errorText().toStdString());
            if (parser.isSet(kVersion)) {
                say(console.out, std::string(kProgram) + " " + VERBRIO_VERSION);
                return kSuccess;
            }
            const QStringList positional = parser.positionalArguments();
            if (parser.isSet(kHelp)) {
                write(console.out, generalHelp());
                return kSuccess;
            }
            if (positional.isEmpty())
                throw usageError("no command given: init, import, export, check or compact");
            command = commandNamed(positional.first());
            if (!command)
                throw usageError("unknown command '" + positional.first().toStdString()
                                 + "': give init, import, export, check or compact");
            return runCommand(*command, arguments.value(0, kProgram), positional.mid(1), console);
        } catch (const store::Error& error) {
            return report(error, command, console);
        } catch (const std::exception& error) {
            return report(store::Error(0, error.what()), command, console); // out of memory and the like
        }
    } catch (...) {
        return kFailure; // even the error could not be written
    }
}

} // namespace deck

// SPDX-License-Identifier: MIT
// Import and export against real deck files: exact round trips, all or
// nothing on malformed input, the length rule, duplicates.

#include "connection.h"
#include "csvformat.h"
#include "deckerror.h"
#include "decktest.h"
#include "exporter.h"
#include "importer.h"
#include "tempdeck.h"

#include <QStringEncoder>
#include <QTest>

Q_DECLARE_METATYPE(deck::Format)
Q_DECLARE_METATYPE(std::vector<TestEntry>)

using deck::DeckErrorCode;
using deck::Format;

namespace {

deck::ImportOptions optionsFor(Format format)
{
    deck::ImportOptions options;
    options.format = format;
    options.read.guessSeparator = format == Format::Csv; // as for a file named .csv
    return options;
}

deck::ImportResult import(TempDeck& target, const QByteArray& source, const deck::ImportOptions& options)
{
    store::Connection connection(target.path());
    return deck::importEntries(connection, deck::SourceInput{source, {}}, options);
}

} // namespace

class TestImportExport : public QObject {
    Q_OBJECT

private slots:
    void exportThenImportGivesBackTheSameTexts_data();
    void exportThenImportGivesBackTheSameTexts();
    void tsvExportRefusesTabsAndLineBreaksNamingTheEntry_data();
    void tsvExportRefusesTabsAndLineBreaksNamingTheEntry();
    void malformedSourceIsRefusedWithItsLineAndNothingWritten_data();
    void malformedSourceIsRefusedWithItsLineAndNothingWritten();
    void textsOver255Utf16UnitsAreRefusedUnlessAllowed_data();
    void textsOver255Utf16UnitsAreRefusedUnlessAllowed();
    void duplicatesAreSkippedAndCounted_data();
    void duplicatesAreSkippedAndCounted();
    void sourceGivesItsEntriesOrItsError_data();
    void sourceGivesItsEntriesOrItsError();
    void importPastId32767IsRefusedBeforeAnythingIsWritten_data();
    void importPastId32767IsRefusedBeforeAnythingIsWritten();
    void anotherDeckIsReadOnlyAndAppendedInIdOrder();
    void entriesAreAppendedInSourceOrder();
    void tabSeparatedCsvIsReadAsSuchOnlyWhenNamedCsv();
};

void TestImportExport::exportThenImportGivesBackTheSameTexts_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");

    QTest::addRow("csv: tabs") << Format::Csv << "a\tb"
                               << "c\t";
    QTest::addRow("csv: quotes") << Format::Csv << "\"quoted\""
                                 << "say \"\"hi\"\" \"";
    QTest::addRow("csv: line breaks") << Format::Csv << "one\ntwo\n"
                                      << "three\r\nfour\rfive";
    QTest::addRow("csv: emoji") << Format::Csv << "😀 grin"
                                << "🦊🏳️‍🌈";
    QTest::addRow("csv: right-to-left") << Format::Csv << "שלום"
                                        << "مرحبا بالعالم";
    QTest::addRow("csv: combining marks") << Format::Csv << "e\u0301"
                                          << "Z\u0324\u0354\u0367\u0311";
    QTest::addRow("csv: empty term") << Format::Csv << ""
                                     << "definition only";
    QTest::addRow("csv: empty definition") << Format::Csv << "term only"
                                           << "";
    QTest::addRow("csv: both empty") << Format::Csv << ""
                                     << "";
    QTest::addRow("csv: commas and outer spaces") << Format::Csv << " lead, trail "
                                                  << "  ";
    QTest::addRow("csv: byte-order mark first") << Format::Csv << "\uFEFFmark"
                                                << "x";
    QTest::addRow("tsv: quotes, commas, Unicode") << Format::Tsv << "\"a\", b"
                                                  << "שלום 😀 e\u0301";
    QTest::addRow("tsv: empty sides") << Format::Tsv << ""
                                      << "";
}

void TestImportExport::exportThenImportGivesBackTheSameTexts()
{
    QFETCH(Format, format);
    QFETCH(QString, term);
    QFETCH(QString, definition);

    TempDeck source({{3, term.toStdString(), definition.toStdString()}, {7, "next", "entry"}});
    store::Connection connection(source.path());
    const deck::ExportedText exported = deck::exportEntries(connection, format);
    QCOMPARE(exported.count, 2LL);

    TempDeck target;
    import(target, QByteArray::fromStdString(exported.text), optionsFor(format));
    std::vector<TestEntry> expected{{1, term.toStdString(), definition.toStdString()}, {2, "next", "entry"}};
    if (term.isEmpty() && definition.isEmpty()) // a blank entry is never stored again
        expected = {{1, "next", "entry"}};
    QCOMPARE(target.entries(), expected);
}

void TestImportExport::tsvExportRefusesTabsAndLineBreaksNamingTheEntry_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("obstacle");

    QTest::addRow("tab in the term") << "a\tb"
                                     << "c"
                                     << "its term holds a tab";
    QTest::addRow("line break in the definition") << "a"
                                                  << "b\nc"
                                                  << "its definition holds a line break";
    QTest::addRow("carriage return") << "a"
                                     << "b\rc"
                                     << "its definition holds a line break";
}

void TestImportExport::tsvExportRefusesTabsAndLineBreaksNamingTheEntry()
{
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QFETCH(QString, obstacle);

    TempDeck source({{2, "plain", "text"}, {4, term.toStdString(), definition.toStdString()}});
    store::Connection connection(source.path());
    const auto error = errorFrom([&] { deck::exportEntries(connection, Format::Tsv); });
    QVERIFY(error);
    QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::NotTabSafe));
    const QString description = QString::fromStdString(error->description());
    QVERIFY2(description.startsWith("entry 4 ") && description.contains(obstacle) && description.contains("CSV"),
             error->what());
}

void TestImportExport::malformedSourceIsRefusedWithItsLineAndNothingWritten_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("line");

    const int malformed = static_cast<int>(DeckErrorCode::Malformed);
    const int tooLong = static_cast<int>(DeckErrorCode::TooLong);
    QTest::addRow("csv: one field") << Format::Csv << QByteArray("a,b\nc,d\ne\n") << malformed << "line 3:";
    QTest::addRow("csv: three fields") << Format::Csv << QByteArray("a,b\nc,d,e\n") << malformed << "line 2:";
    QTest::addRow("csv: quote inside an unquoted field")
        << Format::Csv << QByteArray("a,b\nx\"y,z\n") << malformed << "line 2:";
    QTest::addRow("csv: text after a closing quote")
        << Format::Csv << QByteArray("\"a\"b,c\n") << malformed << "line 1:";
    QTest::addRow("csv: quote never closed")
        << Format::Csv << QByteArray("a,b\nc,\"d\ne,f\n") << malformed << "line 2:";
    QTest::addRow("csv: open quote meets a later quote")
        << Format::Csv << QByteArray("a,b\nc,\"d\ne,\"f\",g\n") << malformed << "line 2:";
    QTest::addRow("invalid UTF-8") << Format::Csv << QByteArray("a,b\nc,\x80\n") << malformed << "line 2:";
    QTest::addRow("overlong UTF-8") << Format::Csv << QByteArray("a,b\nc,\xc0\xaf\n") << malformed << "line 2:";
    QTest::addRow("UTF-16 surrogate in UTF-8")
        << Format::Tsv << QByteArray("a\tb\nc\t\xed\xa0\x80\n") << malformed << "line 2:";
    QTest::addRow("NUL character") << Format::Tsv << QByteArray("a\tb\n\0\td\n", 8) << malformed << "line 2:";
    QTest::addRow("UTF-16 with a lone surrogate") << Format::Csv
                                                  << QByteArray("\xff\xfe"
                                                                "a\0,\0b\0\n\0c\0,\0\x00\xd8\n\0",
                                                                18)
                                                  << malformed << "line 2:";
    QTest::addRow("tsv: no tab") << Format::Tsv << QByteArray("a\tb\n\nc\n") << malformed << "line 3:";
    QTest::addRow("tsv: two tabs") << Format::Tsv << QByteArray("a\tb\tc\n") << malformed << "line 1:";
    QTest::addRow("kvtml: not well-formed")
        << Format::Kvtml << QByteArray("<kvtml version=\"2.0\">\n<entries>\n</kvtml>\n") << malformed << "line 3:";
    QTest::addRow("too long before a malformed line")
        << Format::Csv << (QByteArray("a,") + QByteArray(256, 'x') + "\nb\n") << tooLong << "line 1:";
    QTest::addRow("malformed before a too-long line")
        << Format::Csv << (QByteArray("b\na,") + QByteArray(256, 'x') + "\n") << malformed << "line 1:";
}

void TestImportExport::malformedSourceIsRefusedWithItsLineAndNothingWritten()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, source);
    QFETCH(int, number);
    QFETCH(QString, line);

    TempDeck target(TempDeck::numbered(2));
    const QByteArray before = snapshot(target.path());
    const auto error = errorFrom([&] { import(target, source, optionsFor(format)); });
    QVERIFY(error);
    QCOMPARE(error->number(), number);
    QVERIFY2(QString::fromStdString(error->description()).startsWith(line), error->what());
    QCOMPARE(snapshot(target.path()), before);
    QCOMPARE(target.entries(), TempDeck::numbered(2));
}

void TestImportExport::textsOver255Utf16UnitsAreRefusedUnlessAllowed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("allowLong");
    QTest::addColumn<bool>("accepted");

    const QString emoji = QStringLiteral("😀"); // two UTF-16 code units
    QTest::addRow("255 characters") << QString(255, 'x') << false << true;
    QTest::addRow("256 characters") << QString(256, 'x') << false << false;
    QTest::addRow("127 emoji and a letter: 255 units") << emoji.repeated(127) + "x" << false << true;
    QTest::addRow("128 emoji: 256 units") << emoji.repeated(128) << false << false;
    QTest::addRow("256 characters with --allow-long") << QString(256, 'x') << true << true;
}

void TestImportExport::textsOver255Utf16UnitsAreRefusedUnlessAllowed()
{
    QFETCH(QString, text);
    QFETCH(bool, allowLong);
    QFETCH(bool, accepted);

    for (const bool asTerm : {true, false}) {
        TempDeck target;
        deck::ImportOptions options = optionsFor(Format::Tsv);
        options.allowLong = allowLong;
        const QByteArray line = asTerm ? text.toUtf8() + "\tshort\n" : "short\t" + text.toUtf8() + "\n";
        const auto error = errorFrom([&] { import(target, "ok\tfine\n" + line, options); });
        QCOMPARE(!error, accepted);
        QCOMPARE(target.entries().size(), accepted ? std::size_t(2) : std::size_t(0));
        if (error) {
            QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::TooLong));
            QVERIFY2(QString::fromStdString(error->description())
                         .startsWith("line 2: the " + QString(asTerm ? "term" : "definition")),
                     error->what());
        }
    }
}

void TestImportExport::duplicatesAreSkippedAndCounted_data()
{
    QTest::addColumn<bool>("skipDuplicates");
    QTest::addColumn<long>("imported");
    QTest::addColumn<long>("duplicates");

    QTest::addRow("skipped") << true << 2L << 3L;
    QTest::addRow("kept without --skip-duplicates") << false << 5L << 0L;
}

void TestImportExport::duplicatesAreSkippedAndCounted()
{
    QFETCH(bool, skipDuplicates);
    QFETCH(long, imported);
    QFETCH(long, duplicates);

    TempDeck target({{1, "a", "b"}});
    {
        SQLite::Database db(target.path(), SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO Questions (ID, Question, Description) VALUES (2, NULL, 'empty term')");
    }
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.skipDuplicates = skipDuplicates;
    // Stored twice over, new, new again within the source, different case, the NULL term as empty text:
    const auto result = import(target, "a,b\na,c\na,c\nA,b\n,empty term\n", options);
    QCOMPARE(result.imported, imported);
    QCOMPARE(result.duplicates, duplicates);
    QCOMPARE(static_cast<long>(target.entries().size()), 2 + imported);
    if (skipDuplicates)
        QCOMPARE(target.entries().back(), (TestEntry{4, "A", "b"}));
}

// A source read with options: the options as the command line gives them.
struct SourceCase {
    Format format;
    QByteArray source;
    QString separator = {}; // --separator; a .csv name guesses without it
    QString encoding = {};
    QStringList languages = {};
    bool html = false;
    QString rowSeparator = {};
    deck::RemedyKind advice = deck::RemedyKind::None; // of the one note that names a remedy, if any
};
Q_DECLARE_METATYPE(SourceCase)

namespace {

const char* kOneLanguage =
    "<kvtml version=\"2.0\"><identifiers><identifier id=\"0\"><name>Deutsch</name></identifier></identifiers>\n"
    "<entries><entry id=\"0\"><translation id=\"0\"><text>Hund</text><comment>bellt</comment></translation></entry>\n"
    "<entry id=\"1\"><translation id=\"0\"><text>Katze</text><comment> </comment></translation></entry>\n"
    "<entry id=\"2\"><translation "
    "id=\"0\"><text>Maus</text><comment>piepst</comment></translation></entry></entries></kvtml>\n";

const char* kThreeLanguages =
    "<kvtml version=\"2.0\"><identifiers><identifier id=\"0\"><locale>en</locale></identifier>"
    "<identifier id=\"1\"><locale>de</locale></identifier><identifier id=\"2\"><locale>fr</locale></identifier>"
    "</identifiers>\n<entries><entry id=\"0\"><translation id=\"0\"><text>dog</text></translation>"
    "<translation id=\"1\"><text>Hund</text></translation><translation id=\"2\"><text>chien</text></translation>"
    "</entry></entries></kvtml>\n";

QByteArray kvtmlIn(const char* encoding, const QByteArray& definition)
{
    return "<?xml version=\"1.0\" encoding=\"" + QByteArray(encoding)
           + "\"?>\n<kvtml version=\"2.0\"><entries>\n"
             "<entry id=\"0\"><translation id=\"0\"><text>term</text></translation><translation id=\"1\"><text>"
           + definition + "</text></translation></entry></entries></kvtml>\n";
}

} // namespace

void TestImportExport::sourceGivesItsEntriesOrItsError_data()
{
    QTest::addColumn<SourceCase>("source");
    QTest::addColumn<std::vector<TestEntry>>("expected");
    QTest::addColumn<QString>("error"); // how the error begins; empty when the import succeeds

    const auto utf16 = [](const char* mark, const QString& text, QStringConverter::Encoding encoding) {
        return QByteArray(mark) + QStringEncoder(encoding)(text);
    };
    const std::vector<TestEntry> none;
    // Separators:
    QTest::addRow("csv: semicolons guessed, commas in texts")
        << SourceCase{Format::Csv, "Haus;house, building\r\nBaum;tree\r\n"}
        << std::vector<TestEntry>{{1, "Haus", "house, building"}, {2, "Baum", "tree"}} << "";
    QTest::addRow("csv: tabs guessed, a comma in every definition")
        << SourceCase{Format::Csv, "Hund\tdog, canine\nKatze\tcat, feline\n"}
        << std::vector<TestEntry>{{1, "Hund", "dog, canine"}, {2, "Katze", "cat, feline"}} << "";
    QTest::addRow("csv: --separator pipe")
        << SourceCase{Format::Csv, "a|\"b|c\"\n", "pipe"} << std::vector<TestEntry>{{1, "a", "b|c"}} << "";
    QTest::addRow("csv: --separator semicolon on commas")
        << SourceCase{Format::Csv, "a,b\n", ";"} << none
        << "line 1: has 1 field where 2, the term and the definition, were expected (separated by semicolon";
    QTest::addRow("csv: semicolons, one line without")
        << SourceCase{Format::Csv, "a;b\nc;d\ne\n"} << none << "line 3: has 1 field";
    QTest::addRow("txt: several characters and a row separator, as custom exports write")
        << SourceCase{.format = Format::Tsv,
                      .source = "dog - Hund;cat - Katze;",
                      .separator = " - ",
                      .rowSeparator = ";"}
        << std::vector<TestEntry>{{1, "dog", "Hund"}, {2, "cat", "Katze"}} << "";
    QTest::addRow("csv: rows over several lines, line breaks around the row separator")
        << SourceCase{.format = Format::Csv,
                      .source = "a - b;\r\nc - \"d\"\ne;\n\n",
                      .separator = " - ",
                      .rowSeparator = ";"}
        << std::vector<TestEntry>{{1, "a", "b"}, {2, "c", "\"d\"\ne"}} << "";
    QTest::addRow("csv: a row separator, the comma between")
        << SourceCase{.format = Format::Csv, .source = "a,b|c,d", .rowSeparator = "|"}
        << std::vector<TestEntry>{{1, "a", "b"}, {2, "c", "d"}} << "";
    QTest::addRow("csv: several characters, one line holds them twice")
        << SourceCase{.format = Format::Csv, .source = "a - b\nc - d - e\n", .separator = " - "} << none
        << "line 2: holds the separator ' - ' more than once";
    QTest::addRow("txt: a row without the separator, on its own line")
        << SourceCase{.format = Format::Tsv, .source = "a - b;\nc;", .separator = " - ", .rowSeparator = ";"} << none
        << "line 2: does not hold the separator ' - ' between the term and the definition (separated by ' - '";
    // Notes that name what to change:
    QTest::addRow("csv: a header row of column labels")
        << SourceCase{.format = Format::Csv, .source = "\n Front ,BACK\na,b\n", .advice = deck::RemedyKind::SkipHeader}
        << std::vector<TestEntry>{{1, " Front ", "BACK"}, {2, "a", "b"}} << "";
    QTest::addRow("csv: a first row of words is no header")
        << SourceCase{.format = Format::Csv, .source = "Wort,word\n"} << std::vector<TestEntry>{{1, "Wort", "word"}}
        << "";
    QTest::addRow("tsv: tags and references in plain text")
        << SourceCase{.format = Format::Tsv,
                      .source = "a\tb\nthe house<br>(f.)\tx &#233;\n",
                      .advice = deck::RemedyKind::Html}
        << std::vector<TestEntry>{{1, "a", "b"}, {2, "the house<br>(f.)", "x &#233;"}} << "";
    QTest::addRow("tsv: a comparison and R&D; are no markup")
        << SourceCase{.format = Format::Tsv, .source = "1 < 2 > 0\tR&D; <3\n"}
        << std::vector<TestEntry>{{1, "1 < 2 > 0", "R&D; <3"}} << "";
    QTest::addRow("kvtml: three languages, the first two read")
        << SourceCase{.format = Format::Kvtml, .source = kThreeLanguages, .advice = deck::RemedyKind::Languages}
        << std::vector<TestEntry>{{1, "dog", "Hund"}} << "";
    // Encodings:
    QTest::addRow("tsv: UTF-16 LE with its mark")
        << SourceCase{Format::Tsv, utf16("\xff\xfe", "Käse\tcheese 🧀\n", QStringConverter::Utf16LE)}
        << std::vector<TestEntry>{{1, "Käse", "cheese 🧀"}} << "";
    QTest::addRow("csv: UTF-16 BE with its mark")
        << SourceCase{Format::Csv, utf16("\xfe\xff", "a,b\n", QStringConverter::Utf16BE)}
        << std::vector<TestEntry>{{1, "a", "b"}} << "";
    QTest::addRow("csv: windows-1252") << SourceCase{Format::Csv, "K\xe4se;\x80 5\n", {}, "windows-1252"}
                                       << std::vector<TestEntry>{{1, "Käse", "€ 5"}} << "";
    QTest::addRow("tsv: iso-8859-2") << SourceCase{Format::Tsv,
                                                   "\xb3\xf3"
                                                   "d\xbc\tboat\n",
                                                   {},
                                                   "ISO-8859-2"}
                                     << std::vector<TestEntry>{{1, "łódź", "boat"}} << "";
    QTest::addRow("tsv: shift_jis") << SourceCase{Format::Tsv, "\x93\xfa\x96\x7b\tJapan\n", {}, "shift_jis"}
                                    << std::vector<TestEntry>{{1, "日本", "Japan"}} << "";
    QTest::addRow("tsv: windows-1252 read as UTF-8")
        << SourceCase{Format::Tsv, "a\tb\nK\xe4se\tcheese\n"} << none
        << "line 2: is not valid UTF-8 text; give the file's encoding with --encoding";
    QTest::addRow("tsv: a byte not in the given encoding")
        << SourceCase{Format::Tsv, "a\tb\nc\t\xe9\n", {}, "US-ASCII"} << none
        << "line 2: holds bytes that are not valid US-ASCII text";
    QTest::addRow("kvtml: declared ISO-8859-1") << SourceCase{Format::Kvtml, kvtmlIn("ISO-8859-1", "caf\xe9")}
                                                << std::vector<TestEntry>{{1, "term", "café"}} << "";
    QTest::addRow("kvtml: declared US-ASCII, a byte above 127")
        << SourceCase{Format::Kvtml, kvtmlIn("US-ASCII", "caf\xe9")} << none
        << "line 3: holds bytes that are not valid US-ASCII text";
    QTest::addRow("kvtml: external entity")
        << SourceCase{Format::Kvtml, "<?xml version=\"1.0\"?>\n<!DOCTYPE kvtml [\n<!ENTITY x SYSTEM \"passwd\">\n]>\n"
                                         + kvtmlIn("UTF-8", "a&x;").mid(39)}
        << none << "line 4: declares the entity 'x'";
    // KVTML languages:
    QTest::addRow("kvtml: one language, comment as definition")
        << SourceCase{Format::Kvtml, kOneLanguage}
        << std::vector<TestEntry>{{1, "Hund", "bellt"}, {2, "Maus", "piepst"}} << "";
    QTest::addRow("kvtml: one language, no comment")
        << SourceCase{Format::Kvtml, QByteArray(kOneLanguage)
                                         .replace("<comment>bellt", "<comment>")
                                         .replace("<comment>piepst", "<comment>")}
        << none << "it holds words without definitions";
    QTest::addRow("kvtml: version 1")
        << SourceCase{Format::Kvtml,
                      "<?xml version=\"1.0\"?>\n<kvtml encoding=\"UTF-8\">\n<e><o>Hund</o><t>dog</t></e>\n"
                      "<e><o>Katze</o><t></t></e>\n<e m=\"1\"><o>Maus</o><t>mouse</t></e>\n</kvtml>\n"}
        << std::vector<TestEntry>{{1, "Hund", "dog"}, {2, "Maus", "mouse"}} << "";
    QTest::addRow("kvtml: --languages picks two of three")
        << SourceCase{Format::Kvtml, kThreeLanguages, {}, {}, {"fr", "1"}}
        << std::vector<TestEntry>{{1, "chien", "Hund"}} << "";
    QTest::addRow("kvtml: --languages names one it lacks")
        << SourceCase{Format::Kvtml, kThreeLanguages, {}, {}, {"en", "es"}} << none
        << "the KVTML file has no language 'es'; it has 0 (en), 1 (de), 2 (fr)";
    // HTML and notes exports:
    QTest::addRow("csv: --html") << SourceCase{Format::Csv, "<b>a</b>,\"x&amp;y<br><img src=\"\"i.png\"\">z\"\n",
                                               {},          {},
                                               {},          true}
                                 << std::vector<TestEntry>{{1, "a", "x&y\nz"}} << "";
    QTest::addRow("notes: windows-1252") << SourceCase{Format::Notes,
                                                       "#separator:tab\n#html:false\nK\xe4se\t<b>cheese</b>\n",
                                                       {},
                                                       "windows-1252"}
                                         << std::vector<TestEntry>{{1, "Käse", "<b>cheese</b>"}} << "";
    QTest::addRow("notes: --html where the file does not say so")
        << SourceCase{Format::Notes, "#separator:comma\na&lt;,<i>b</i>\n", {}, {}, {}, true}
        << std::vector<TestEntry>{{1, "a<", "b"}} << "";
    QTest::addRow("notes: unknown separator name") << SourceCase{Format::Notes, "#html:true\n#separator:dash\na\tb\n"}
                                                   << none << "line 2: names the separator 'dash'";
    QTest::addRow("notes: a bad column number") << SourceCase{Format::Notes, "#separator:tab\n#tags column:x\na\tb\n"}
                                                << none << "line 2: gives the tags column as 'x'";
    QTest::addRow("notes: every row lacks a definition")
        << SourceCase{Format::Notes, "#separator:tab\n#tags column:2\na\ttag\nb\ttag\n"} << none
        << "none of its 2 entries can be imported: 2 with field 1 or 3 empty or missing: lines 3, 4";
    QTest::addRow("csv: rows with both texts empty left out")
        << SourceCase{Format::Csv, "a,b\n,\n\"\",\"\"\nc,d\n"} << std::vector<TestEntry>{{1, "a", "b"}, {2, "c", "d"}}
        << "";
    // Nothing to import:
    QTest::addRow("csv: every row blank")
        << SourceCase{Format::Csv, ",\n\"\",\"\"\n", ","} << none
        << "none of its 2 entries can be imported: 2 with neither a term nor a definition: lines 1, 2";
    QTest::addRow("tsv: blank lines only") << SourceCase{Format::Tsv, "\n  \r\n"} << none << "";
    QTest::addRow("kvtml: every entry lacks a side")
        << SourceCase{Format::Kvtml,
                      kvtmlIn("UTF-8", "")
                          .replace(
                              "</entries>",
                              "<entry id=\"1\"><translation id=\"1\"><text>x</text></translation></entry></entries>")}
        << none
        << "none of its 2 entries can be imported: 1 without text in language 1: line 3; 1 without text in language 0: "
           "line 3";
}

void TestImportExport::sourceGivesItsEntriesOrItsError()
{
    QFETCH(SourceCase, source);
    QFETCH(std::vector<TestEntry>, expected);
    QFETCH(QString, error);

    TempDeck target;
    const QByteArray before = snapshot(target.path());
    deck::ImportOptions options = optionsFor(source.format);
    if (!source.separator.isEmpty())
        options.read.separator = deck::separatorTextNamed(source.separator.toStdString());
    options.read.encoding = source.encoding.toStdString();
    options.read.languages = source.languages;
    options.read.html = source.html;
    options.read.rowSeparator = source.rowSeparator.toStdString();
    deck::ImportResult result;
    const auto raised = errorFrom([&] { result = import(target, source.source, options); });
    QVERIFY2(raised.has_value() == !error.isEmpty(), raised ? raised->what() : "no error");
    QStringList advised;
    for (const deck::SourceNote& note : result.notes)
        if (note.remedy.kind != deck::RemedyKind::None)
            advised << QString::fromStdString(deck::commandLineText(note));
    QCOMPARE(advised.size(), source.advice == deck::RemedyKind::None ? 0 : 1);
    if (!advised.isEmpty())
        QVERIFY2(result.notes.back().remedy.kind == source.advice, qPrintable(advised.join(u'\n')));
    if (raised) {
        QVERIFY2(QString::fromStdString(raised->description()).startsWith(error), raised->what());
        QCOMPARE(snapshot(target.path()), before);
    }
    QCOMPARE(target.entries(), expected);
}

void TestImportExport::importPastId32767IsRefusedBeforeAnythingIsWritten_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<int>("rows");
    QTest::addColumn<qint64>("firstNewId"); // 0 when refused
    QTest::addColumn<QString>("error");

    QTest::addRow("only a negative ID: the window's rule gives 1") << QList<qint64>{-5} << 2 << qint64(1) << "";
    QTest::addRow("the last free ID") << QList<qint64>{32766} << 1 << qint64(32767) << "";
    QTest::addRow("one past the last") << QList<qint64>{32766} << 2 << qint64(0)
                                       << "the source has 2 new entries, but only 1 fit";
    QTest::addRow("largest ID 2^63-1") << QList<qint64>{1, 9223372036854775807} << 1 << qint64(0)
                                       << "no entry fits: the deck's largest ID is 9223372036854775807";
    QTest::addRow("more than a deck holds")
        << QList<qint64>{} << 32768 << qint64(0) << "the source has 32768 new entries, more than a deck can hold";
}

void TestImportExport::importPastId32767IsRefusedBeforeAnythingIsWritten()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(int, rows);
    QFETCH(qint64, firstNewId);
    QFETCH(QString, error);

    TempDeck target(TempDeck::withIds(ids));
    const QByteArray before = snapshot(target.path());
    QByteArray source;
    for (int i = 0; i < rows; ++i)
        source += "t" + QByteArray::number(i) + "\td\n";
    deck::ImportOptions options = optionsFor(Format::Tsv);
    options.allowLong = true; // about the length of texts only, never about IDs
    const auto raised = errorFrom([&] { import(target, source, options); });
    if (error.isEmpty()) {
        QVERIFY2(!raised, raised ? raised->what() : "");
        QCOMPARE(target.entries().at(std::size_t(ids.size())).id, firstNewId);
        return;
    }
    QVERIFY(raised);
    QCOMPARE(raised->number(), static_cast<int>(DeckErrorCode::NoRoom));
    QVERIFY2(QString::fromStdString(raised->description()).startsWith(error), raised->what());
    QCOMPARE(snapshot(target.path()), before);
}

void TestImportExport::anotherDeckIsReadOnlyAndAppendedInIdOrder()
{
    TempDeck source({{9, "nine", "last"}, {-2, "minus two", "first"}});
    {
        SQLite::Database db(source.path(), SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO Questions VALUES (3, NULL, 42)");
    }
    const QByteArray sourceBefore = snapshot(source.path());
    TempDeck target({{1, "kept", "entry"}});
    deck::ImportOptions options;
    options.format = Format::Deck;
    store::Connection connection(target.path());
    deck::importEntries(connection, deck::SourceInput{sourceBefore, source.path()}, options);
    const std::vector<TestEntry> expected{{1, "kept", "entry"},
                                          {2, "minus two", "first"},
                                          {3, "", "42"},
                                          {4, "nine", "last"}};
    QCOMPARE(target.entries(), expected);
    QCOMPARE(snapshot(source.path()), sourceBefore);

    TempDeck notADeck({}, false);
    SQLite::Database(notADeck.path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE).exec("CREATE TABLE Other (x)");
    const auto error = errorFrom([&] {
        deck::importEntries(connection, deck::SourceInput{snapshot(notADeck.path()), notADeck.path()}, options);
    });
    QVERIFY(error);
    QVERIFY2(QString::fromStdString(error->description()).contains("has no table Questions"), error->what());
}

void TestImportExport::entriesAreAppendedInSourceOrder()
{
    TempDeck target({{5, "old", "entry"}});
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.read.skipHeader = true;
    const auto result =
        import(target, "\xEF\xBB\xBFTerm,Definition\r\n\r\nzebra,last letter\r\napple,first\r\n", options);
    QCOMPARE(result.imported, 2L);
    const std::vector<TestEntry> expected{{5, "old", "entry"}, {6, "zebra", "last letter"}, {7, "apple", "first"}};
    QCOMPARE(target.entries(), expected);
}

void TestImportExport::tabSeparatedCsvIsReadAsSuchOnlyWhenNamedCsv()
{
    const QByteArray source = "a\tb\n\"c\"\"q\"\t\"d, e\"\n";
    TempDeck named;
    const auto result = import(named, source, optionsFor(Format::Csv));
    QCOMPARE(result.notes.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(result.notes.front().text).contains("tab-separated"));
    const std::vector<TestEntry> expected{{1, "a", "b"}, {2, "c\"q", "d, e"}};
    QCOMPARE(named.entries(), expected);

    // --format csv says what the text is: no guessing.
    TempDeck chosen;
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.read.guessSeparator = false;
    const auto error = errorFrom([&] { import(chosen, source, options); });
    QVERIFY(error);
    QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::Malformed));
}

QTEST_GUILESS_MAIN(TestImportExport)
#include "tst_importexport.moc"

// SPDX-License-Identifier: MIT
// Reading CSV and tab-separated text, notes exports and packages: what each
// line or note gives. Malformed text is tested through the importer, where
// the deck must stay unchanged.

#include "ankipackage.h"
#include "ankipackagemaker.h"
#include "csvformat.h"
#include "deckerror.h"
#include "decktest.h"
#include "htmltext.h"
#include "notefields.h"
#include "notesexport.h"
#include "tsvformat.h"

#include <QTest>

Q_DECLARE_METATYPE(PackageKind)

using Notes = std::vector<std::string>;
Q_DECLARE_METATYPE(Notes)

class TestTextFormats : public QObject {
    Q_OBJECT

private slots:
    void csvGivesEntriesWithTheirFirstLine_data();
    void csvGivesEntriesWithTheirFirstLine();
    void tsvGivesEntriesWithQuotesAsPlainCharacters_data();
    void tsvGivesEntriesWithQuotesAsPlainCharacters();
    void separatorOfCsvIsGuessedFromEveryLine_data();
    void separatorOfCsvIsGuessedFromEveryLine();
    void htmlBecomesTheTextABrowserShows_data();
    void htmlBecomesTheTextABrowserShows();
    void notesExportGivesTheChosenFieldsAsText_data();
    void notesExportGivesTheChosenFieldsAsText();
    void packageGivesTheNewestCollectionsNotes_data();
    void packageGivesTheNewestCollectionsNotes();
    void clozeIsBlankedAndFilled_data();
    void clozeIsBlankedAndFilled();
};

void TestTextFormats::csvGivesEntriesWithTheirFirstLine_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("skipHeader");
    QTest::addColumn<Entries>("expected");

    QTest::addRow("quoted comma, doubled quotes")
        << QByteArray("a,\"b, \"\"c\"\"\"\n") << false << Entries{{1, "a", "b, \"c\""}};
    QTest::addRow("line break inside quotes")
        << QByteArray("\"x\ny\",z\nnext,one\n") << false << Entries{{1, "x\ny", "z"}, {3, "next", "one"}};
    QTest::addRow("CR LF ends, CR LF kept inside quotes")
        << QByteArray("a,b\r\n\"c\r\nd\",e\r\n") << false << Entries{{1, "a", "b"}, {2, "c\r\nd", "e"}};
    QTest::addRow("lone CR ends a line") << QByteArray("a,b\rc,d") << false << Entries{{1, "a", "b"}, {2, "c", "d"}};
    QTest::addRow("blank and space-only lines skipped")
        << QByteArray("\n  \na,b\n\n") << false << Entries{{3, "a", "b"}};
    QTest::addRow("spaces kept exactly") << QByteArray(" a , b \n") << false << Entries{{1, " a ", " b "}};
    QTest::addRow("no line end after the last entry") << QByteArray("a,b") << false << Entries{{1, "a", "b"}};
    QTest::addRow("header skipped") << QByteArray("\nTerm,Definition\na,b\n") << true << Entries{{3, "a", "b"}};
    QTest::addRow("header over two lines skipped")
        << QByteArray("\"Term\nlong\",Definition\na,b\n") << true << Entries{{3, "a", "b"}};
}

void TestTextFormats::csvGivesEntriesWithTheirFirstLine()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, skipHeader);
    QFETCH(Entries, expected);

    CollectedSource collected;
    deck::readCsv(source.toStdString(), ',', skipHeader, collected);
    QCOMPARE(collected.entries, expected);
}

void TestTextFormats::tsvGivesEntriesWithQuotesAsPlainCharacters_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("skipHeader");
    QTest::addColumn<Entries>("expected");

    QTest::addRow("quotes") << QByteArray("\"a\"\tsay \"hi\n") << false << Entries{{1, "\"a\"", "say \"hi"}};
    QTest::addRow("CR LF, blank line, header")
        << QByteArray("Term\tDefinition\r\n\r\na\tb\r\n") << true << Entries{{3, "a", "b"}};
}

void TestTextFormats::tsvGivesEntriesWithQuotesAsPlainCharacters()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, skipHeader);
    QFETCH(Entries, expected);

    CollectedSource collected;
    deck::readTsv(source.toStdString(), skipHeader, collected);
    QCOMPARE(collected.entries, expected);
}

void TestTextFormats::separatorOfCsvIsGuessedFromEveryLine_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("separator");

    QTest::addRow("tabs, no comma") << QByteArray("a\tb\nc\td\n") << "\t";
    QTest::addRow("commas only inside quotes") << QByteArray("\"a, b\"\tc\n\"d\"\"\te,\"\tf\n") << "\t";
    QTest::addRow("tabs, a comma in every definition") << QByteArray("Hund\tdog, canine\nKatze\tcat, feline\n") << "\t";
    QTest::addRow("a comma outside quotes on a later line") << QByteArray("a\tb\nc\td, e\n") << "\t";
    QTest::addRow("semicolons, commas inside texts") << QByteArray("Haus;house, building\nBaum;tree\n") << ";";
    QTest::addRow("semicolons, one line malformed") << QByteArray("a;b\nc;d\ne\nf;g\n") << ";";
    QTest::addRow("pipes") << QByteArray("a|b\n\nc|d\n") << "|";
    QTest::addRow("commas, a semicolon in one text") << QByteArray("a,b; c\nd,e\n") << ",";
    QTest::addRow("comma after a quoted field over two lines") << QByteArray("\"a\tb\nc\",d\n") << ",";
    QTest::addRow("tabs only inside quotes") << QByteArray("\"a\tb\",c\n") << ",";
    QTest::addRow("no separator at all") << QByteArray("a b\n") << ",";
}

void TestTextFormats::separatorOfCsvIsGuessedFromEveryLine()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, separator);

    QCOMPARE(QString(QChar(deck::guessSeparator(source.toStdString()))), separator);
}

void TestTextFormats::htmlBecomesTheTextABrowserShows_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("sounds");

    QTest::addRow("tags, <br>, &nbsp; kept") << "<b>dog</b><br>Plural: die&nbsp;Hunde"
                                             << "dog\nPlural: die\u00a0Hunde" << 0 << 0;
    QTest::addRow("block after text starts a line") << "a<div>b</div><div>c</div>"
                                                    << "a\nb\nc" << 0 << 0;
    QTest::addRow("nested block edges: one break") << "<div><div><p>a</p></div></div><ul><li>b</li><li>c</li></ul>"
                                                   << "a\nb\nc" << 0 << 0;
    QTest::addRow("empty block line kept once") << "<div>a</div><div><br></div><div>b</div>"
                                                << "a\n\nb" << 0 << 0;
    QTest::addRow("<br> ending a block adds no line") << "<div>a<br></div><div>b</div>"
                                                      << "a\nb" << 0 << 0;
    QTest::addRow("breaks at both ends dropped") << "<br><div></div>a<br><br>"
                                                 << "a" << 0 << 0;
    QTest::addRow("whitespace collapsed") << "  a \n\t b  <p> c </p>"
                                          << "a b\nc" << 0 << 0;
    QTest::addRow("no markup: whitespace collapsed too") << "  a \n b "
                                                         << "a b" << 0 << 0;
    QTest::addRow("<pre> keeps its lines") << "<pre>a  b\nc</pre>"
                                           << "a  b\nc" << 0 << 0;
    QTest::addRow("named and numeric entities") << "&eacute;&#233;&#xE9;&hellip;&NotEqualTilde;&amp;&lt;&apos;"
                                                << "ééé…≂̸&<'" << 0 << 0;
    QTest::addRow("NUL and surrogate references replaced") << "a&#0;b&#xD800;"
                                                           << "a\ufffdb\ufffd" << 0 << 0;
    QTest::addRow("images and sounds dropped, counted") << "a <img src=\"x.png\"> b[sound:x.mp3]<img src=y>"
                                                        << "a b" << 2 << 1;
    QTest::addRow("sound without markup") << "[sound:one.mp3]word[sound:two.ogg]"
                                          << "word" << 0 << 2;
    QTest::addRow("script, style, comments hidden") << "<style>p{}</style><script>x()</script>a<!-- b -->c"
                                                    << "ac" << 0 << 0;
    QTest::addRow("table cells apart") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"
                                       << "a b\nc" << 0 << 0;
    QTest::addRow("unclosed tags and a lone <") << "<b>a <i>b</b> 1 < 2"
                                                << "a b 1 < 2" << 0 << 0;
}

void TestTextFormats::htmlBecomesTheTextABrowserShows()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QFETCH(int, images);
    QFETCH(int, sounds);

    deck::DroppedMedia dropped;
    const auto plain = deck::htmlToText(html.toStdString(), dropped);
    QVERIFY(plain);
    QCOMPARE(QString::fromStdString(*plain), text);
    QCOMPARE(dropped.images, images);
    QCOMPARE(dropped.sounds, sounds);
}

void TestTextFormats::notesExportGivesTheChosenFieldsAsText_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<Entries>("expected");
    QTest::addColumn<Notes>("notes"); // entries left out, then the notes

    const QByteArray headers = "#separator:tab\n#html:true\n#guid column:1\n#notetype column:2\n#deck column:3\n"
                               "#columns:Front\tBack\tTags\n#tags column:6\n#deck:Spanish\n";
    QTest::addRow("headers, HTML, guid and tags columns")
        << headers
               + "Ab1\tBasic\tSpanish\t<b>perro</b>\t<div>dog</div><div>canine</div>\tanimal noun\n"
                 "Ab2\tBasic\tSpanish\tgato&nbsp;\t\"say \"\"miau\"\"\"\tanimal\n"
        << "" << Entries{{9, "perro", "dog\ncanine"}, {10, "gato\u00a0", "say \"miau\""}}
        << Notes{"line 8: the header '#deck:Spanish' is ignored"};
    QTest::addRow("--columns picks others")
        << headers + "Ab1\tBasic\tSpanish\tperro\tdog\tanimal\n"
        << "6,4" << Entries{{9, "animal", "perro"}} << Notes{"line 8: the header '#deck:Spanish' is ignored"};
    QTest::addRow("named separator, no HTML: markup kept")
        << QByteArray("#separator:Semicolon\n#html:false\na<b>;b &lt c;tags\n") << "" << Entries{{3, "a<b>", "b &lt c"}}
        << Notes{};
    QTest::addRow("single-character separator, quoted line break")
        << QByteArray("#separator:|\r\nx|\"two\r\nlines\"\r\n") << "" << Entries{{2, "x", "two\r\nlines"}} << Notes{};
    QTest::addRow("a capital letter as the separator")
        << QByteArray("#separator:X\naXbxc\n") << "" << Entries{{2, "a", "bxc"}} << Notes{};
    QTest::addRow("empty and image-only fields left out and counted")
        << QByteArray("#html:true\na\t\n<img src=a.png>\tb\nc\t<img src=b.png>d[sound:s.mp3]\n") << ""
        << Entries{{4, "c", "d"}}
        << Notes{"line 2: with field 1 or 2 empty once HTML is turned into text",
                 "line 3: with field 1 or 2 empty once HTML is turned into text",
                 "dropped 2 images and 1 sound reference: Verbrio shows text only"};
}

void TestTextFormats::notesExportGivesTheChosenFieldsAsText()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, columns);
    QFETCH(Entries, expected);
    QFETCH(Notes, notes);

    QVERIFY(deck::looksLikeNotesExport(source.toStdString()));
    CollectedSource collected;
    const auto chosen = columns.isEmpty() ? std::nullopt : deck::fieldPairNamed(columns.toStdString());
    deck::readNotesExport(source.toStdString(), chosen, false, collected);
    QCOMPARE(collected.entries, expected);
    collected.leftOuts.insert(collected.leftOuts.end(), collected.notes.begin(), collected.notes.end());
    QCOMPARE(collected.leftOuts, notes);
}

void TestTextFormats::packageGivesTheNewestCollectionsNotes_data()
{
    QTest::addColumn<QByteArray>("package");
    QTest::addColumn<Entries>("expected");
    QTest::addColumn<QString>("outcome"); // the note left out, or the error

    const std::vector<NoteFields> notes{{"<b>Hund</b>", "dog<br>canine", "extra"},
                                        {"Katze", "cat&nbsp;"},
                                        {"only one", ""}};
    const Entries entries{{1, "Hund", "dog\ncanine"}, {2, "Katze", "cat\u00a0"}};
    const QString leftOut = "line 3: with field 1 or 2 empty once HTML is turned into text";
    QTest::addRow("legacy collection.anki2") << ankiPackage(notes, PackageKind::Anki2) << entries << leftOut;
    QTest::addRow("collection.anki21") << ankiPackage(notes, PackageKind::Anki21) << entries << leftOut;
    QTest::addRow("zstd collection.anki21b, not the stand-in")
        << ankiPackage(notes, PackageKind::Compressed) << entries << leftOut;
    QTest::addRow("anki21 preferred to anki2") << zipArchive(
        {{"collection.anki2", ankiCollection({kUpdateNote})}, {"collection.anki21", ankiCollection(notes)}})
                                               << entries << leftOut;
    QTest::addRow("cloze notes: blanked term, filled definition, Extra after a line break")
        << ankiPackage({{"{{c1::Canberra}} is the capital of {{c2::Australia::country}}", ""},
                        {"<b>{{c1::H<sub>2</sub>O}}</b> is water", "a <i>formula</i>"},
                        {"{{c1::never closed", ""}},
                       PackageKind::Anki21)
        << Entries{{1, "[…] is the capital of [country]", "Canberra is the capital of Australia"},
                   {2, "[…] is water", "H2O is water\na formula"}}
        << leftOut;
    QTest::addRow("a field not UTF-8") << ankiPackage({{"a", "b"}, {"c", "caf\xe9"}}, PackageKind::Anki2) << Entries{}
                                       << "is not a readable package: note 2 is not valid UTF-8 text";
    QTest::addRow("not a zip archive") << QByteArray("#separator:tab\n") << Entries{}
                                       << "is not a readable package: it is not a zip archive";
    QTest::addRow("no collection") << zipArchive({{"media", "{}"}}) << Entries{} << "it holds no collection";
    QTest::addRow("collection not SQLite")
        << zipArchive({{"collection.anki21", "not a database"}}) << Entries{} << "is not an SQLite database";
    QTest::addRow("damaged zstd") << zipArchive({{"collection.anki21b", "\x28\xb5\x2f\xfd garbage"}}) << Entries{}
                                  << "collection.anki21b is damaged";
    QTest::addRow("zstd cut short") << zipArchive(
        {{"collection.anki21b", zstdCompressed(ankiCollection(notes)).substr(0, 40)}})
                                    << Entries{} << "collection.anki21b is";
}

void TestTextFormats::packageGivesTheNewestCollectionsNotes()
{
    QFETCH(QByteArray, package);
    QFETCH(Entries, expected);
    QFETCH(QString, outcome);

    CollectedSource collected;
    const auto error = errorFrom([&] { deck::readAnkiPackage(package, std::nullopt, collected); });
    if (error) {
        QCOMPARE(error->number(), static_cast<int>(deck::DeckErrorCode::Malformed));
        QVERIFY2(QString::fromStdString(error->description()).contains(outcome), error->what());
        return;
    }
    QCOMPARE(collected.entries, expected);
    QCOMPARE(collected.leftOuts, Notes{outcome.toStdString()});
}

void TestTextFormats::clozeIsBlankedAndFilled_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("blanked"); // "" when the text holds no cloze
    QTest::addColumn<QString>("filled");

    QTest::addRow("no cloze") << "plain {braces} and {{c}}"
                              << ""
                              << "";
    QTest::addRow("no number: not a cloze") << "{{c::x}}"
                                            << ""
                                            << "";
    QTest::addRow("never closed") << "{{c1::x"
                                  << ""
                                  << "";
    QTest::addRow("one, at both ends") << "{{c1::a}}"
                                       << "[\u2026]"
                                       << "a";
    QTest::addRow("hint kept") << "x {{c12::Paris::city}} y"
                               << "x [city] y"
                               << "x Paris y";
    QTest::addRow("the same number twice, text between") << "{{c1::a}}-{{c1::b}}{{c2::c}}"
                                                         << "[\u2026]-[\u2026][\u2026]"
                                                         << "a-bc";
    QTest::addRow("an unclosed one after a cloze kept as text") << "{{c1::a}} {{c2::b"
                                                                << "[\u2026] {{c2::b"
                                                                << "a {{c2::b";
    QTest::addRow("texts outside ASCII") << "\u00e9{{c1::\u65e5\u672c}}\U0001F600"
                                         << "\u00e9[\u2026]\U0001F600"
                                         << "\u00e9\u65e5\u672c\U0001F600";
}

void TestTextFormats::clozeIsBlankedAndFilled()
{
    QFETCH(QString, text);
    QFETCH(QString, blanked);
    QFETCH(QString, filled);

    const auto cloze = deck::clozeOf(text.toStdString());
    QCOMPARE(cloze.has_value(), !blanked.isEmpty());
    if (cloze) {
        QCOMPARE(QString::fromStdString(cloze->blanked), blanked);
        QCOMPARE(QString::fromStdString(cloze->filled), filled);
    }
}

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"

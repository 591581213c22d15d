// Reading CSV and tab-separated text: what each line gives. Malformed input
// is tested through the importer, where the deck must stay unchanged.

#include "csvformat.h"
#include "decktest.h"
#include "tsvformat.h"

#include <QTest>

class TestTextFormats : public QObject {
    Q_OBJECT

private slots:
    void csvGivesEntriesWithTheirFirstLine_data();
    void csvGivesEntriesWithTheirFirstLine();
    void tsvGivesEntriesWithQuotesAsPlainCharacters_data();
    void tsvGivesEntriesWithQuotesAsPlainCharacters();
    void tabSeparatedTextInCsvIsRecognised_data();
    void tabSeparatedTextInCsvIsRecognised();
};

void TestTextFormats::csvGivesEntriesWithTheirFirstLine_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("skipHeader");
    QTest::addColumn<Entries>("expected");

    QTest::addRow("quoted comma, doubled quotes") << QByteArray("a,\"b, \"\"c\"\"\"\n") << false << Entries{{1, "a", "b, \"c\""}};
    QTest::addRow("line break inside quotes") << QByteArray("\"x\ny\",z\nnext,one\n") << false
                                              << Entries{{1, "x\ny", "z"}, {3, "next", "one"}};
    QTest::addRow("CR LF ends, CR LF kept inside quotes") << QByteArray("a,b\r\n\"c\r\nd\",e\r\n") << false
                                                          << Entries{{1, "a", "b"}, {2, "c\r\nd", "e"}};
    QTest::addRow("lone CR ends a line") << QByteArray("a,b\rc,d") << false << Entries{{1, "a", "b"}, {2, "c", "d"}};
    QTest::addRow("blank and space-only lines skipped") << QByteArray("\n  \na,b\n\n") << false << Entries{{3, "a", "b"}};
    QTest::addRow("spaces kept exactly") << QByteArray(" a , b \n") << false << Entries{{1, " a ", " b "}};
    QTest::addRow("no line end after the last entry") << QByteArray("a,b") << false << Entries{{1, "a", "b"}};
    QTest::addRow("header skipped") << QByteArray("\nTerm,Definition\na,b\n") << true << Entries{{3, "a", "b"}};
    QTest::addRow("header over two lines skipped") << QByteArray("\"Term\nlong\",Definition\na,b\n") << true << Entries{{3, "a", "b"}};
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
    QTest::addRow("CR LF, blank line, header") << QByteArray("Term\tDefinition\r\n\r\na\tb\r\n") << true << Entries{{3, "a", "b"}};
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

void TestTextFormats::tabSeparatedTextInCsvIsRecognised_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("tabSeparated");

    QTest::addRow("tabs, no comma") << QByteArray("a\tb\nc\td\n") << true;
    QTest::addRow("commas only inside quotes") << QByteArray("\"a, b\"\tc\n\"d\"\"\te,\"\tf\n") << true;
    QTest::addRow("a comma outside quotes on a later line") << QByteArray("a\tb\nc\td, e\n") << false;
    QTest::addRow("comma after a quoted field over two lines") << QByteArray("\"a\tb\nc\",d\n") << false;
    QTest::addRow("tabs only inside quotes") << QByteArray("\"a\tb\"\n") << false;
    QTest::addRow("no tabs") << QByteArray("a b\n") << false;
}

void TestTextFormats::tabSeparatedTextInCsvIsRecognised()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, tabSeparated);

    QCOMPARE(deck::looksTabSeparated(source.toStdString()), tabSeparated);
}

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"

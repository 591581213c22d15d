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
    void separatorOfCsvIsGuessedFromEveryLine_data();
    void separatorOfCsvIsGuessedFromEveryLine();
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

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"

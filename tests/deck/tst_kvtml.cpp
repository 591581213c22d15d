// SPDX-License-Identifier: MIT
// KVTML 2.0 on a small document written by hand from the format: the first
// two languages become term and definition, incomplete entries are left out.

#include "deckerror.h"
#include "decktest.h"
#include "kvtml.h"

#include <QTest>

namespace {

// The URL is split in two literals: moc would take its "//" for a comment.
const QByteArray kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE kvtml PUBLIC "kvtml2.dtd" "http:/)"
                             R"(/edu.kde.org/kvtml/kvtml2.dtd">
<kvtml version="2.0">
  <information>
    <generator>written by hand</generator>
    <title>Animals</title>
  </information>
  <identifiers>
    <identifier id="0">
      <name>English</name>
      <locale>en</locale>
    </identifier>
    <identifier id="1">
      <name>German</name>
      <locale>de</locale>
    </identifier>
  </identifiers>
  <entries>
    <entry id="0">
      <translation id="0">
        <text>dog</text>
      </translation>
      <translation id="1">
        <text>Hund</text>
        <comment>der Hund</comment>
      </translation>
    </entry>
    <entry id="1">
      <translation id="1">
        <text>Katze</text>
      </translation>
      <translation id="0">
        <text>cat &amp; kitten</text>
      </translation>
    </entry>
    <entry id="2">
      <translation id="0">
        <text>bird</text>
      </translation>
    </entry>
    <entry id="3">
      <translation id="0"><text>fish</text><grade currentgrade="2"/></translation>
      <translation id="1"><text>Fisch 🐟</text></translation>
    </entry>
  </entries>
  <lessons>
    <container>
      <name>Lesson 1</name>
      <entry id="0"/>
      <entry id="2"/>
    </container>
  </lessons>
</kvtml>
)";

long lineOf(const QByteArray& document, const char* text)
{
    return static_cast<long>(document.left(document.indexOf(text)).count('\n')) + 1;
}

} // namespace

class TestKvtml : public QObject {
    Q_OBJECT

private slots:
    void firstTwoLanguagesBecomeTermAndDefinition();
    void malformedDocumentIsRefusedWithItsLine_data();
    void malformedDocumentIsRefusedWithItsLine();
};

void TestKvtml::firstTwoLanguagesBecomeTermAndDefinition()
{
    CollectedSource collected;
    deck::readKvtml(kDocument, {}, collected);

    const Entries expected{{lineOf(kDocument, "<entry id=\"0\">"), "dog", "Hund"},
                           {lineOf(kDocument, "<entry id=\"1\">"), "cat & kitten", "Katze"},
                           {lineOf(kDocument, "<entry id=\"3\">"), "fish", "Fisch 🐟"}};
    QCOMPARE(collected.entries, expected);
    QCOMPARE(collected.leftOuts.size(), std::size_t(1));
    const QString note = QString::fromStdString(collected.leftOuts.front());
    QVERIFY2(note.startsWith(QString("line %1:").arg(lineOf(kDocument, "<entry id=\"2\">"))), qPrintable(note));
    QVERIFY2(note.contains("without text in German"), qPrintable(note));
}

void TestKvtml::malformedDocumentIsRefusedWithItsLine_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("line");

    QTest::addRow("tags not closed in order")
        << QByteArray("<kvtml version=\"2.0\">\n<entries>\n<entry id=\"0\">\n</entries>\n</kvtml>\n") << "line 4:";
    QTest::addRow("text after the root") << QByteArray("<kvtml version=\"2.0\">\n</kvtml>\n<kvtml/>\n") << "line 3:";
    QTest::addRow("not KVTML") << QByteArray("<?xml version=\"1.0\"?>\n<deck/>\n") << "line 2:";
    QTest::addRow("KVTML version 3") << QByteArray("<kvtml version=\"3\">\n</kvtml>\n") << "line 1:";
    QTest::addRow("invalid UTF-8") << QByteArray("<kvtml version=\"2.0\">\n<entries>\xff</entries>\n</kvtml>\n")
                                   << "line 2:";
}

void TestKvtml::malformedDocumentIsRefusedWithItsLine()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, line);

    CollectedSource collected;
    const auto error = errorFrom([&] { deck::readKvtml(document, {}, collected); });
    QVERIFY(error);
    QCOMPARE(error->number(), static_cast<int>(deck::DeckErrorCode::Malformed));
    QVERIFY2(QString::fromStdString(error->description()).startsWith(line), error->what());
}

QTEST_GUILESS_MAIN(TestKvtml)
#include "tst_kvtml.moc"

// SPDX-License-Identifier: MIT
// Conversion of a field's value to the 16-bit signed integer the random pick
// works with.

#include "storetest.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(store::Value)

class TestValue : public QObject {
    Q_OBJECT

private slots:
    void toInt16ConvertsWithinRange_data();
    void toInt16ConvertsWithinRange();
    void toInt16RefusesWhatIsNoSixteenBitInteger_data();
    void toInt16RefusesWhatIsNoSixteenBitInteger();
};

void TestValue::toInt16ConvertsWithinRange_data()
{
    QTest::addColumn<store::Value>("value");
    QTest::addColumn<int>("expected");

    QTest::addRow("1") << store::Value(std::int64_t{1}) << 1;
    QTest::addRow("0") << store::Value(std::int64_t{0}) << 0;
    QTest::addRow("largest, 32767") << store::Value(std::int64_t{32767}) << 32767;
    QTest::addRow("smallest, -32768") << store::Value(std::int64_t{-32768}) << -32768;
    QTest::addRow("real rounds down") << store::Value(41.4) << 41;
    QTest::addRow("real rounds up") << store::Value(41.6) << 42;
}

void TestValue::toInt16ConvertsWithinRange()
{
    QFETCH(store::Value, value);
    QFETCH(int, expected);

    QCOMPARE(int(store::toInt16(value)), expected);
}

void TestValue::toInt16RefusesWhatIsNoSixteenBitInteger_data()
{
    QTest::addColumn<store::Value>("value");
    QTest::addColumn<QString>("says");
    QTest::addColumn<int>("number");

    const QString overflow = QStringLiteral("does not fit a 16-bit integer");
    QTest::addRow("32768") << store::Value(std::int64_t{32768}) << overflow << int(store::ErrorCode::Overflow);
    QTest::addRow("-32769") << store::Value(std::int64_t{-32769}) << overflow << int(store::ErrorCode::Overflow);
    QTest::addRow("65536 (wraps to 0 if truncated)")
        << store::Value(std::int64_t{65536}) << overflow << int(store::ErrorCode::Overflow);
    QTest::addRow("largest 64-bit") << store::Value(std::numeric_limits<std::int64_t>::max()) << overflow
                                    << int(store::ErrorCode::Overflow);
    QTest::addRow("real rounding to 32768") << store::Value(32767.6) << overflow << int(store::ErrorCode::Overflow);
    QTest::addRow("not a number") << store::Value(std::numeric_limits<double>::quiet_NaN()) << overflow
                                  << int(store::ErrorCode::Overflow);
    const QString mismatch = QStringLiteral("is not a whole number");
    QTest::addRow("NULL") << store::Value(std::monostate{}) << mismatch << int(store::ErrorCode::TypeMismatch);
    QTest::addRow("text") << store::Value(std::string("abc")) << mismatch << int(store::ErrorCode::TypeMismatch);
    QTest::addRow("empty text") << store::Value(std::string()) << mismatch << int(store::ErrorCode::TypeMismatch);
}

// Each with a number of its own, as the pick reports it.
void TestValue::toInt16RefusesWhatIsNoSixteenBitInteger()
{
    QFETCH(store::Value, value);
    QFETCH(QString, says);
    QFETCH(int, number);

    VERIFY_STORE_ERROR(store::toInt16(value), number, says.toStdString());
}

QTEST_GUILESS_MAIN(TestValue)
#include "tst_value.moc"

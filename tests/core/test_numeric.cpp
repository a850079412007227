// Numeric text, rounding, sizes in KB and the Windows-1252 text of movies.
#include "cp1252.h"
#include "moviereader.h"
#include "numeric.h"

#include <QtTest>

class TestNumeric : public QObject
{
    Q_OBJECT
private slots:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("leading number") << "3abc" << 3.0;
        QTest::newRow("spaces inside") << "1 2" << 12.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("sign") << " -7x" << -7.0;
        QTest::newRow("one decimal point") << "1.5.2" << 1.5;
        QTest::newRow("exponent") << "2e3" << 2000.0;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("hexadecimal 16-bit pattern") << "&HFFFF" << -1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8 and 9") << "&O19" << 1.0;
        QTest::newRow("carriage return is not ignored") << "1\r2" << 1.0;
        QTest::newRow("non-ASCII stops") << "4\u00e15" << 4.0;
    }

    void numericValue()
    {
        QFETCH(QString, text);
        QTEST(orv::numericValue(text), "value");
    }

    void roundHalfEven_data()
    {
        // Rounding and the whole part side by side: they differ on every half
        // and on negative fractions.
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded");
        QTest::addColumn<qint64>("whole");
        QTest::newRow("half down to even") << 2.5 << qint64(2) << qint64(2);
        QTest::newRow("half up to even") << 3.5 << qint64(4) << qint64(3);
        QTest::newRow("negative half") << -2.5 << qint64(-2) << qint64(-2);
        QTest::newRow("negative half up to even") << -3.5 << qint64(-4) << qint64(-3);
        QTest::newRow("negative fraction") << -2.7 << qint64(-3) << qint64(-2);
        QTest::newRow("zero point five") << 0.5 << qint64(0) << qint64(0);
        QTest::newRow("huge saturates") << 1e300 << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max();
        QTest::newRow("huge negative saturates") << -1e300 << std::numeric_limits<qint64>::min() << std::numeric_limits<qint64>::min();
        QTest::newRow("nan") << std::nan("") << qint64(0) << qint64(0);
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, rounded);
        QFETCH(qint64, whole);
        QCOMPARE(orv::roundHalfEven(value), rounded);
        QCOMPARE(orv::wholePart(value), whole);
    }

    void sizeInKbIsCutNotRounded_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<double>("kb");
        QTest::newRow("1536") << qint64(1536) << 1.5;
        QTest::newRow("1000") << qint64(1000) << 0.97;
        QTest::newRow("large") << qint64(80) * 1024 * 1024 + 5 << 81920.0;
    }

    void sizeInKbIsCutNotRounded()
    {
        QFETCH(qint64, bytes);
        QTEST(orv::sizeInKB(bytes), "kb");
    }

    void cp1252()
    {
        QByteArray all(256, 0);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        QCOMPARE(orv::toCp1252(orv::fromCp1252(all)), all); // every byte survives
        // The ramp's non-ASCII characters and the accents of the fixed phrases.
        QCOMPARE(orv::fromCp1252("\xf7\xa4\x80 Pel\xed" "cula"), QString::fromUtf8("÷¤€ Película"));
        QCOMPARE(orv::toCp1252(QString::fromUtf8("€ñ中")), QByteArray("\x80\xf1?"));
    }
};

QTEST_GUILESS_MAIN(TestNumeric)
#include "test_numeric.moc"

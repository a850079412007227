// Numbers in the Player's dialogs follow the Spanish convention whatever the
// system's locale: the texts it writes, the texts it reads, and the texts it
// refuses because their meaning would depend on the reader.
#include "numberformat.h"

#include <QLocale>
#include <QTest>

using orv::player::readSpanishNumber;
using orv::player::spanishNumber;

class TestNumberFormat : public QObject
{
    Q_OBJECT

    // Every case runs under these system conventions; none may change a result.
    static QList<QLocale> locales()
    {
        return {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                QLocale(QLocale::Spanish, QLocale::Spain),
                QLocale(QLocale::German, QLocale::Germany),
                QLocale(QLocale::French, QLocale::France)};
    }

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // What the dialogs write, they read back to the same value.
    void writing_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("kilobytes cut to two decimals") << 0.97 << "0,97";
        QTest::newRow("no exponent") << 1e20 << "100000000000000000000";
        QTest::newRow("shortest that reads back") << 100.0 / 3 << "33,333333333333336";
    }
    void writing()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        for (const QLocale& system : locales()) {
            QLocale::setDefault(system);
            QCOMPARE(spanishNumber(value), text);
        }
        double read = 0;
        QVERIFY(readSpanishNumber(text, read));
        QCOMPARE(read, value);
    }

    void reading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "250" << true << 250.0;
        QTest::newRow("decimal comma") << "2,5" << true << 2.5;
        QTest::newRow("decimal point") << "2.5" << true << 2.5;
        QTest::newRow("comma and three digits") << "1,000" << true << 1.0;
        QTest::newRow("point and four digits") << "1.0005" << true << 1.0005;
        QTest::newRow("sign") << "-3,5" << true << -3.5;
        QTest::newRow("ambiguous thousands point") << "1.000" << false << 0.0;
        QTest::newRow("Spanish grouping with decimals") << "1.000,5" << false << 0.0;
        QTest::newRow("English grouping with decimals") << "1,000.5" << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("beyond a double") << QString(400, '9') << false << 0.0;
    }
    void reading()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        for (const QLocale& system : locales()) {
            QLocale::setDefault(system);
            double read = -12345;
            QCOMPARE(readSpanishNumber(text, read), isNumber);
            QCOMPARE(read, isNumber ? value : -12345.0); // a refusal leaves the value alone
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "test_numberformat.moc"

// Numbers in the Player's dialogs follow the Spanish convention whatever the
// system's locale: the texts it writes, the texts it reads, and the texts it
// refuses because their meaning would depend on the reader.
#include "numberformat.h"

#include <QLocale>
#include <QTest>

using orv::player::leeNumeroEspanol;
using orv::player::numeroEspanol;

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
        QTest::addColumn<double>("valor");
        QTest::addColumn<QString>("texto");
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("kilobytes cut to two decimals") << 0.97 << "0,97";
        QTest::newRow("no exponent") << 1e20 << "100000000000000000000";
        QTest::newRow("shortest that reads back") << 100.0 / 3 << "33,333333333333336";
    }
    void writing()
    {
        QFETCH(double, valor);
        QFETCH(QString, texto);
        for (const QLocale& sistema : locales()) {
            QLocale::setDefault(sistema);
            QCOMPARE(numeroEspanol(valor), texto);
        }
        double leido = 0;
        QVERIFY(leeNumeroEspanol(texto, leido));
        QCOMPARE(leido, valor);
    }

    void reading_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("esNumero");
        QTest::addColumn<double>("valor");
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
        QFETCH(QString, texto);
        QFETCH(bool, esNumero);
        QFETCH(double, valor);
        for (const QLocale& sistema : locales()) {
            QLocale::setDefault(sistema);
            double leido = -12345;
            QCOMPARE(leeNumeroEspanol(texto, leido), esNumero);
            QCOMPARE(leido, esNumero ? valor : -12345.0); // a refusal leaves the value alone
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "test_numberformat.moc"

// The rules every movie writer shares: which pauses and authors read back as
// typed, and the name a movie is written under.
#include "cp1252.h"
#include "moviereader.h"
#include "moviewriter.h"

#include <QTest>

class TestMovieWriter : public QObject
{
    Q_OBJECT
private slots:
    void pause_data()
    {
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<bool>("readable");
        QTest::newRow("offered pause") << "100" << true;
        QTest::newRow("exponent") << "1e3" << true;
        QTest::newRow("spaces around") << " 200 " << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("decimal comma") << "2,5" << false;
        QTest::newRow("infinite") << "1e999" << false;
        QTest::newRow("Arabic-Indic digits") << "\u0661\u0660\u0660" << false;
    }
    void pause()
    {
        QFETCH(QString, pausa);
        QTEST(orv::readablePause(pausa), "readable");
    }

    void author_data()
    {
        QTest::addColumn<QString>("creador");
        QTest::addColumn<QString>("problem"); // "" when it reads back
        QTest::newRow("empty") << "" << "";
        QTest::newRow("accents and the euro") << "Begoña € Peñalver" << "";
        QTest::newRow("quotes after the start") << "Ana \"la\" Luis\"" << "";
        QTest::newRow("comma") << "Ana, Luis" << "comas";
        QTest::newRow("line feed") << "Ana\nLuis" << "saltos de línea";
        QTest::newRow("leading double quote") << "\"Ana" << "comillas dobles al principio";
        QTest::newRow("leading space") << " Ana" << "espacios al principio";
        QTest::newRow("outside Windows-1252") << "Ana 日本" << "el carácter «日», que una película no puede guardar";
        QTest::newRow("outside the BMP") << "Ana 🎬" << "el carácter «🎬», que una película no puede guardar";
    }
    // Each author either comes back identical through the movie reader or
    // is refused, saying what in it cannot.
    void author()
    {
        QFETCH(QString, creador);
        QFETCH(QString, problem);
        QCOMPARE(orv::authorProblem(creador).value_or(QString()), problem);
        if (!problem.isEmpty())
            return;
        orv::Movie read;
        QVERIFY(orv::parseMovie(
            orv::headerLine("2", "2", 1, "100", orv::toCp1252(creador), "x") + "\r\nab\r\n", read));
        QCOMPARE(orv::fromCp1252(read.creador), creador);
    }

    void movieName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("name");
        QTest::newRow("no extension") << "/tmp/peli" << "/tmp/peli.ovt";
        QTest::newRow("lower case kept") << "/tmp/peli.ovt" << "/tmp/peli.ovt";
        QTest::newRow("upper case is not the extension") << "/tmp/peli.OVT" << "/tmp/peli.OVT.ovt";
    }
    void movieName()
    {
        QFETCH(QString, chosen);
        QTEST(orv::movieName(orv::FileName::fromText(chosen)).escapedText(), "name");
    }
};

QTEST_GUILESS_MAIN(TestMovieWriter)
#include "test_moviewriter.moc"

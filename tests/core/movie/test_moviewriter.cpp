// The rules every movie writer shares: which pauses and authors read back as
// typed, and the name a movie is written under.
#include "moviewriter.h"

#include <QTest>

class TestMovieWriter : public QObject
{
    Q_OBJECT
private slots:
    void pause_data()
    {
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<bool>("legible");
        QTest::newRow("offered pause") << "100" << true;
        QTest::newRow("fraction") << "2.5" << true;
        QTest::newRow("exponent") << "1e3" << true;
        QTest::newRow("spaces around") << " 200 " << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("negative") << "-50" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("word") << "rápido" << false;
        QTest::newRow("number then text") << "100 ms" << false;
        QTest::newRow("decimal comma") << "2,5" << false;
        QTest::newRow("infinite") << "1e999" << false;
        QTest::newRow("Arabic-Indic digits") << "\u0661\u0660\u0660" << false;
    }
    void pause()
    {
        QFETCH(QString, pausa);
        QTEST(orv::pausaLegible(pausa), "legible");
    }

    void author_data()
    {
        QTest::addColumn<QString>("creador");
        QTest::addColumn<bool>("legible");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("accents") << "Begoña Peñalver" << true;
        QTest::newRow("comma") << "Ana, Luis" << false;
        QTest::newRow("line feed") << "Ana\nLuis" << false;
        QTest::newRow("carriage return") << "Ana\rLuis" << false;
    }
    void author()
    {
        QFETCH(QString, creador);
        QTEST(orv::creadorLegible(creador), "legible");
    }

    void movieName_data()
    {
        QTest::addColumn<QString>("elegido");
        QTest::addColumn<QString>("nombre");
        QTest::newRow("no extension") << "/tmp/peli" << "/tmp/peli.ovt";
        QTest::newRow("lower case kept") << "/tmp/peli.ovt" << "/tmp/peli.ovt";
        QTest::newRow("upper case is not the extension") << "/tmp/peli.OVT" << "/tmp/peli.OVT.ovt";
        QTest::newRow("folder named .ovt") << "/tmp/x.ovt/peli" << "/tmp/x.ovt/peli.ovt";
    }
    void movieName()
    {
        QFETCH(QString, elegido);
        QTEST(orv::nombrePelicula(elegido), "nombre");
    }
};

QTEST_GUILESS_MAIN(TestMovieWriter)
#include "test_moviewriter.moc"

#include "playback.h"

#include <QTest>
#include <limits>

using orv::Playback;

class TestPlayback : public QObject
{
    Q_OBJECT

    static Playback playing(int frames, bool repetir = false)
    {
        Playback p;
        p.setRepetir(repetir);
        p.abre(frames, 100);
        p.alternaReproduccion();
        return p;
    }

private slots:
    void intervalo_data()
    {
        QTest::addColumn<double>("pausa");
        QTest::addColumn<int>("intervalo");
        QTest::newRow("tie to even down") << 100.5 << 100;
        QTest::newRow("tie to even up") << 101.5 << 102;
        QTest::newRow("zero plays at the fastest") << 0.0 << 1;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 1;
        QTest::newRow("huge is capped") << 1e15 << Playback::kIntervaloMaximo;
    }
    void intervalo()
    {
        QFETCH(double, pausa);
        QFETCH(int, intervalo);
        Playback p;
        p.abre(5, pausa);
        QCOMPARE(p.intervalo(), intervalo);
    }

    // Playing from frame 0 or pressing play at the last frame: the tick on the
    // last frame loops with repeat and otherwise stops; both go back to frame 0.
    void tickAtTheLastFrame_data()
    {
        QTest::addColumn<bool>("repetir");
        QTest::addColumn<int>("desde");
        QTest::newRow("repeat, from the start") << true << 0;
        QTest::newRow("no repeat, from the start") << false << 0;
        QTest::newRow("repeat, play at the last frame") << true << 2;
        QTest::newRow("no repeat, play at the last frame") << false << 2;
    }
    void tickAtTheLastFrame()
    {
        QFETCH(bool, repetir);
        QFETCH(int, desde);
        Playback p;
        p.setRepetir(repetir);
        p.abre(3, 100);
        p.irA(desde);
        p.alternaReproduccion();
        QCOMPARE(p.cuadroActual(), desde);
        for (int cuadro = desde + 1; cuadro <= 2; ++cuadro) {
            p.tick();
            QCOMPARE(p.cuadroActual(), cuadro);
        }
        QVERIFY(p.reproduciendo());
        p.tick();
        QCOMPARE(p.cuadroActual(), 0);
        QCOMPARE(p.reproduciendo(), repetir);
    }

    void oneFrameMovieCannotPlayOrStep()
    {
        Playback p = playing(1, true);
        QVERIFY(!p.reproduciendo());
        QVERIFY(!p.avanza());
        QVERIFY(!p.retrocede());
        QCOMPARE(p.cuadroActual(), 0);
    }

    void stepsAtEitherEndChangeNothing()
    {
        Playback p = playing(2);
        QVERIFY(!p.retrocede());
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(p.avanza());
        QVERIFY(!p.avanza());
        QCOMPARE(p.cuadroActual(), 1);
    }

    void rewindWhilePlayingKeepsPlaying()
    {
        Playback p = playing(5);
        p.tick();
        p.rebobina();
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(p.reproduciendo());
    }

    void openingAnotherMovieStartsAtFrameZero()
    {
        Playback p = playing(10, true);
        p.irA(7);
        p.abre(3, 250);
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(!p.reproduciendo());
        QCOMPARE(p.numCuadros(), 3);
        QCOMPARE(p.velocidad(), 250.0);
        QVERIFY(p.repetir()); // a user choice, kept across movies
    }

    void closeStopsAndResets()
    {
        Playback p = playing(5, true);
        p.tick();
        p.cierra();
        QVERIFY(!p.abierta());
        QVERIFY(!p.reproduciendo());
        QCOMPARE(p.cuadroActual(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlayback)
#include "test_playback.moc"

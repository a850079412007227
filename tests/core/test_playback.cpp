#include "playback.h"

#include <QTest>
#include <limits>

using orv::Playback;

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void intervalo_data();
    void intervalo();
    void tickRunsThroughToTheEnd_data();
    void tickRunsThroughToTheEnd();
    void playAtLastFrameAppliesEndRuleOnFirstTick();
    void repeatChangedDuringPlaybackTakesEffectAtNextEnd();
    void oneFrameMovieCannotPlayOrStep();
    void stepsStopAtBothEnds();
    void stepsDoNotStopPlayback();
    void rewindWhilePlayingKeepsPlaying();
    void closeStopsAndIgnoresLateTicks();
    void closeKeepsPauseInUseAndOpenResetsIt();
    void sliderMovesAreClamped();
};

void TestPlayback::intervalo_data()
{
    QTest::addColumn<double>("velocidad");
    QTest::addColumn<int>("intervalo");
    QTest::newRow("whole") << 100.0 << 100;
    QTest::newRow("tie to even down") << 100.5 << 100;
    QTest::newRow("tie to even up") << 101.5 << 102;
    QTest::newRow("below tie") << 66.49 << 66;
    QTest::newRow("zero plays at the fastest") << 0.0 << 1;
    QTest::newRow("half rounds to zero") << 0.5 << 1;
    QTest::newRow("negative plays at the fastest") << -250.0 << 1;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 1;
    QTest::newRow("above the old 16-bit timer limit") << 100000.0 << 100000;
    QTest::newRow("huge is capped") << 1e15 << Playback::kIntervaloMaximo;
    QTest::newRow("infinite is capped") << std::numeric_limits<double>::infinity()
                                        << Playback::kIntervaloMaximo;
}

void TestPlayback::intervalo()
{
    QFETCH(double, velocidad);
    QFETCH(int, intervalo);
    QCOMPARE(Playback::intervaloPara(velocidad), intervalo);
    Playback p;
    p.abre(5, velocidad);
    QCOMPARE(p.intervalo(), intervalo);
}

void TestPlayback::tickRunsThroughToTheEnd_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("repetir");
    QTest::newRow("3 frames, no repeat") << 3 << false;
    QTest::newRow("3 frames, repeat") << 3 << true;
    QTest::newRow("2 frames, no repeat") << 2 << false;
    QTest::newRow("2 frames, repeat") << 2 << true;
}

void TestPlayback::tickRunsThroughToTheEnd()
{
    QFETCH(int, frames);
    QFETCH(bool, repetir);
    Playback p;
    p.setRepetir(repetir);
    p.abre(frames, 100);
    p.alternaReproduccion();
    QVERIFY(p.reproduciendo());
    for (int i = 1; i < frames; ++i) {
        p.tick();
        QCOMPARE(p.cuadroActual(), i);
        QVERIFY(p.reproduciendo());
    }
    // The tick on the last frame.
    p.tick();
    QCOMPARE(p.cuadroActual(), 0);
    QCOMPARE(p.reproduciendo(), repetir);
    p.tick();
    QCOMPARE(p.cuadroActual(), repetir ? 1 : 0);
}

void TestPlayback::playAtLastFrameAppliesEndRuleOnFirstTick()
{
    Playback p;
    p.abre(4, 100);
    p.irA(3);
    p.alternaReproduccion();
    QCOMPARE(p.cuadroActual(), 3); // starting does not move the frame
    p.tick();
    QCOMPARE(p.cuadroActual(), 0);
    QVERIFY(!p.reproduciendo());
}

void TestPlayback::repeatChangedDuringPlaybackTakesEffectAtNextEnd()
{
    Playback p;
    p.abre(2, 100);
    p.alternaReproduccion();
    p.tick();
    p.setRepetir(true);
    p.tick();
    QVERIFY(p.reproduciendo());
    QCOMPARE(p.cuadroActual(), 0);
    p.tick();
    p.setRepetir(false);
    p.tick();
    QVERIFY(!p.reproduciendo());
    QCOMPARE(p.cuadroActual(), 0);
}

void TestPlayback::oneFrameMovieCannotPlayOrStep()
{
    Playback p;
    p.setRepetir(true);
    p.abre(1, 100);
    QVERIFY(p.abierta());
    QVERIFY(!p.puedeReproducir());
    p.alternaReproduccion();
    QVERIFY(!p.reproduciendo());
    p.tick();
    QVERIFY(!p.avanza());
    QVERIFY(!p.retrocede());
    QCOMPARE(p.cuadroActual(), 0);
    QCOMPARE(p.ultimoCuadro(), 0);
}

void TestPlayback::stepsStopAtBothEnds()
{
    Playback p;
    p.abre(3, 100);
    QVERIFY(!p.retrocede());
    QCOMPARE(p.cuadroActual(), 0);
    QVERIFY(p.avanza());
    QVERIFY(p.avanza());
    QCOMPARE(p.cuadroActual(), 2);
    QVERIFY(!p.avanza());
    QCOMPARE(p.cuadroActual(), 2);
    QVERIFY(p.retrocede());
    QCOMPARE(p.cuadroActual(), 1);
}

void TestPlayback::stepsDoNotStopPlayback()
{
    Playback p;
    p.abre(5, 100);
    p.alternaReproduccion();
    QVERIFY(p.avanza());
    QVERIFY(p.avanza());
    QVERIFY(p.reproduciendo());
    p.tick();
    QCOMPARE(p.cuadroActual(), 3);
    QVERIFY(p.retrocede());
    QVERIFY(p.reproduciendo());
}

void TestPlayback::rewindWhilePlayingKeepsPlaying()
{
    Playback p;
    p.abre(5, 100);
    p.alternaReproduccion();
    p.tick();
    p.tick();
    p.rebobina();
    QCOMPARE(p.cuadroActual(), 0);
    QVERIFY(p.reproduciendo());
    p.tick();
    QCOMPARE(p.cuadroActual(), 1);
}

void TestPlayback::closeStopsAndIgnoresLateTicks()
{
    Playback p;
    p.setRepetir(true);
    p.abre(5, 100);
    p.alternaReproduccion();
    p.tick();
    p.cierra();
    QVERIFY(!p.abierta());
    QVERIFY(!p.reproduciendo());
    p.tick();
    QCOMPARE(p.cuadroActual(), 0);
    p.alternaReproduccion();
    QVERIFY(!p.reproduciendo());
    QVERIFY(!p.avanza());
    QVERIFY(p.repetir());
}

void TestPlayback::closeKeepsPauseInUseAndOpenResetsIt()
{
    Playback p;
    QCOMPARE(p.velocidad(), 0.0);
    p.abre(5, 100);
    p.setVelocidad(250);
    QCOMPARE(p.intervalo(), 250);
    p.cierra();
    QCOMPARE(p.velocidad(), 250.0);
    p.abre(7, 40);
    QCOMPARE(p.velocidad(), 40.0);
    QVERIFY(!p.reproduciendo());
}

void TestPlayback::sliderMovesAreClamped()
{
    Playback p;
    p.abre(10, 100);
    p.irA(7);
    QCOMPARE(p.cuadroActual(), 7);
    p.irA(50);
    QCOMPARE(p.cuadroActual(), 9);
    p.irA(-3);
    QCOMPARE(p.cuadroActual(), 0);
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "test_playback.moc"

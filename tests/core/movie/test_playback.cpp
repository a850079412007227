#include "playback.h"

#include <QTest>
#include <limits>

using orv::Playback;

class TestPlayback : public QObject
{
    Q_OBJECT

    static Playback playing(int frames, bool repeat = false)
    {
        Playback p;
        p.setRepetir(repeat);
        p.open(frames, 100);
        p.togglePlayback();
        return p;
    }

private slots:
    void interval_data()
    {
        QTest::addColumn<double>("pausa");
        QTest::addColumn<int>("interval");
        QTest::newRow("tie to even down") << 100.5 << 100;
        QTest::newRow("tie to even up") << 101.5 << 102;
        QTest::newRow("zero plays at the fastest") << 0.0 << 1;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 1;
        QTest::newRow("huge is capped") << 1e15 << Playback::kMaxInterval;
    }
    void interval()
    {
        QFETCH(double, pausa);
        QFETCH(int, interval);
        Playback p;
        p.open(5, pausa);
        QCOMPARE(p.interval(), interval);
    }

    // Playing from frame 0 or pressing play at the last frame: the tick on the
    // last frame loops with repeat and otherwise stops; both go back to frame 0.
    void tickAtTheLastFrame_data()
    {
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<int>("from");
        QTest::newRow("repeat, from the start") << true << 0;
        QTest::newRow("no repeat, from the start") << false << 0;
        QTest::newRow("repeat, play at the last frame") << true << 2;
        QTest::newRow("no repeat, play at the last frame") << false << 2;
    }
    void tickAtTheLastFrame()
    {
        QFETCH(bool, repeat);
        QFETCH(int, from);
        Playback p;
        p.setRepetir(repeat);
        p.open(3, 100);
        p.irA(from);
        p.togglePlayback();
        QCOMPARE(p.cuadroActual(), from);
        for (int frame = from + 1; frame <= 2; ++frame) {
            p.tick();
            QCOMPARE(p.cuadroActual(), frame);
        }
        QVERIFY(p.playing());
        p.tick();
        QCOMPARE(p.cuadroActual(), 0);
        QCOMPARE(p.playing(), repeat);
    }

    void oneFrameMovieCannotPlayOrStep()
    {
        Playback p = playing(1, true);
        QVERIFY(!p.playing());
        QVERIFY(!p.stepForward());
        QVERIFY(!p.retrocede());
        QCOMPARE(p.cuadroActual(), 0);
    }

    void stepsAtEitherEndChangeNothing()
    {
        Playback p = playing(2);
        QVERIFY(!p.retrocede());
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(p.stepForward());
        QVERIFY(!p.stepForward());
        QCOMPARE(p.cuadroActual(), 1);
    }

    void rewindWhilePlayingKeepsPlaying()
    {
        Playback p = playing(5);
        p.tick();
        p.rewind();
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(p.playing());
    }

    void openingAnotherMovieStartsAtFrameZero()
    {
        Playback p = playing(10, true);
        p.irA(7);
        p.open(3, 250);
        QCOMPARE(p.cuadroActual(), 0);
        QVERIFY(!p.playing());
        QCOMPARE(p.numCuadros(), 3);
        QCOMPARE(p.velocidad(), 250.0);
        QVERIFY(p.repeat()); // a user choice, kept across movies
    }

    void closeStopsAndResets()
    {
        Playback p = playing(5, true);
        p.tick();
        p.close();
        QVERIFY(!p.open());
        QVERIFY(!p.playing());
        QCOMPARE(p.cuadroActual(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlayback)
#include "test_playback.moc"

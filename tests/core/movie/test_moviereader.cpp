// Reading plain movies: the header rules, line ends, frame counts and every
// way a file can be unreadable; and frames assembled from their line, rows
// cut from it with CR LF between them.
#include "bytesource.h"
#include "frame.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "moviestream.h"

#include <QFile>
#include <QtTest>
#include <unistd.h>

using orv::Movie;

namespace {

// A movie of one frame holding `line`.
Movie oneFrame(int ancho, int alto, const QByteArray& line)
{
    Movie p;
    p.ancho = static_cast<std::int16_t>(ancho);
    p.alto = static_cast<std::int16_t>(alto);
    p.numCuadros = 1;
    p.setData(line, {{0, line.size()}});
    return p;
}

} // namespace

class TestMovieReader : public QObject
{
    Q_OBJECT
private slots:
    void headerValues_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("ancho");
        QTest::addColumn<double>("pausa");
        QTest::addColumn<QByteArray>("creador");
        QTest::addColumn<QByteArray>("masInfo");
        QTest::newRow("leading spaces skipped") << QByteArray("  7,  1, 1,  250,0,0,0,0,  Ana,  x") << 7 << 250.0 << QByteArray("Ana") << QByteArray("x");
        QTest::newRow("text after a closing quote dropped") << QByteArray("7,1,1,50,0,0,0,0,\"Ana\" resto,x") << 7 << 50.0 << QByteArray("Ana") << QByteArray("x");
        QTest::newRow("quoted author keeps its comma") << QByteArray("7,1,1,50,0,0,0,0,\"Ana, Luis\",x") << 7 << 50.0 << QByteArray("Ana, Luis") << QByteArray("x");
        QTest::newRow("largest width") << QByteArray("32767,1,1,100,0,0,0,0,a,b") << 32767 << 100.0 << QByteArray("a") << QByteArray("b");
        QTest::newRow("negative width is kept") << QByteArray("-32768,1,1,100,0,0,0,0,a,b") << -32768 << 100.0 << QByteArray("a") << QByteArray("b");
        QTest::newRow("width rounds half to even") << QByteArray("6.5,1,1,100,0,0,0,0,a,b") << 6 << 100.0 << QByteArray("a") << QByteArray("b");
    }

    void headerValues()
    {
        QFETCH(QByteArray, header);
        Movie p;
        QVERIFY(orv::parseMovie(fixtures::plainMovie(header, {"frame"}), p));
        QTEST(int(p.ancho), "ancho");
        QTEST(p.pausa, "pausa");
        QTEST(p.creador, "creador");
        QTEST(p.masInfo, "masInfo");
        QCOMPARE(p.frame(0).toByteArray(), QByteArray("frame"));
    }

    void frameLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("expected");
        const QByteArray h = "2,1,3,100,0,0,0,0,a,b";
        QTest::newRow("CR LF, spaces kept") << h + "\r\nab\r\n  \r\ne \r\n" << QByteArrayList{"ab", "  ", "e "};
        QTest::newRow("last line without end") << h + "\r\nab\r\ncd\r\nef" << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("empty frame lines") << h + "\r\n\r\n\r\nef\r\n" << QByteArrayList{"", "", "ef"};
        QTest::newRow("extra lines ignored") << h + "\r\nab\r\ncd\r\nef\r\ngh\r\nij\r\n" << QByteArrayList{"ab", "cd", "ef"};
    }

    void frameLines()
    {
        QFETCH(QByteArray, bytes);
        Movie p;
        QVERIFY(orv::parseMovie(bytes, p));
        QTEST(fixtures::frames(p), "expected");
        orv::MemorySource source(bytes); // checked without keeping frames: the same answer
        QVERIFY(orv::checkMovie(source));
    }

    void commaInAuthorShiftsFrames()
    {
        // The writers do not quote the author: its comma splits it, the writer's
        // phrase becomes the first frame line and the last line is never read.
        const QByteArray bytes = fixtures::plainMovie(
            "3,1,3,100,0,0,0,0,Ana,Luis,Pel\xed" "cula creada con Orvane ASCII Creator",
            {"AAA", "BBB", "CCC"});
        Movie p;
        QVERIFY(orv::parseMovie(bytes, p));
        QCOMPARE(p.creador, QByteArray("Ana"));
        QCOMPARE(p.masInfo, QByteArray("Luis"));
        QCOMPARE(fixtures::frames(p), (QByteArrayList{"Pel\xed" "cula creada con Orvane ASCII Creator", "AAA", "BBB"}));
    }

    void unreadable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut short") << QByteArray("2,1,1,100,0,0");
        QTest::newRow("fewer frame lines") << QByteArray("2,1,3,100,0,0,0,0,a,b\r\nab\r\ncd\r\n");
        QTest::newRow("zero frames") << QByteArray("2,1,0,100,0,0,0,0,a,b\r\nab\r\n");
        QTest::newRow("negative frames") << QByteArray("2,1,-1,100,0,0,0,0,a,b\r\nab\r\n");
        QTest::newRow("width past 16 bits") << QByteArray("32768,1,1,100,0,0,0,0,a,b\r\nab\r\n");
        QTest::newRow("frames past 16 bits") << QByteArray("2,1,65537,100,0,0,0,0,a,b\r\nab\r\n");
        QTest::newRow("pause not a number") << QByteArray("2,1,1,fast,0,0,0,0,a,b\r\nab\r\n");
    }

    void unreadable()
    {
        QFETCH(QByteArray, bytes);
        Movie p;
        QVERIFY(!orv::parseMovie(bytes, p));
        orv::MemorySource source(bytes);
        QVERIFY(!orv::checkMovie(source));
    }

    void failedLoadLeavesPreviousMovie()
    {
        QTemporaryDir dir;
        const QString good = fixtures::writeFile(dir, "good.ovt", fixtures::plainMovie("2,1,1,100,0,0,0,0,a,b", {"ab"}));
        const QString bad = fixtures::writeFile(dir, "bad.ovt", "2,1,5,100,0,0,0,0,x,y\r\nzz\r\n");
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(good), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(bad), p));
        QCOMPARE(p.creador, QByteArray("a"));
        QCOMPARE(p.numCuadros, 1);
        QCOMPARE(p.rutaPelicula, good);
        QCOMPARE(p.frame(0).toByteArray(), QByteArray("ab"));
    }

    void fileFieldsDescribeTheFile()
    {
        QTemporaryDir dir;
        QByteArray bytes = fixtures::plainMovie("2,1,1,100,0,0,0,0,a,b", {"ab"});
        bytes.append(QByteArray(1536 - bytes.size(), 'x')); // extra bytes after the frames
        const QString path = fixtures::writeFile(dir, "sin extensión", bytes);
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p));
        QCOMPARE(p.rutaPelicula, path);
        QCOMPARE(p.nombreArchivo, QString::fromUtf8("sin extensión"));
        QCOMPARE(p.tamanoKB, 1.5);
        QVERIFY(!p.compressed);
    }

    // Another program cuts the file short while a movie read from it is
    // shown: what it lost reads as zeros, and nothing stops.
    void movieSurvivesItsFileCutShort()
    {
        QTemporaryDir dir;
        const QByteArray row(20000, 'x');
        const QString path = fixtures::writeFile(dir, "m.ovt", fixtures::plainMovie("20000,1,5,100,0,0,0,0,a,b", {row, row, row, row, row}));
        Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(path), p));
        const Movie copy = p;
        p = Movie();
        QVERIFY(QFile::resize(path, 100));
        const QByteArray last = copy.frame(4).toByteArray();
        QCOMPARE(last, QByteArray(20000, '\0'));
        QCOMPARE(copy.frame(0).toByteArray().left(10), QByteArray(10, 'x'));
    }

    void unreadablePaths()
    {
        QTemporaryDir dir;
        Movie p;
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(QString()), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(dir.filePath("missing.ovt")), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(dir.path()), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(QStringLiteral("/dev/zero")), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(fixtures::writeFile(dir, "empty.ovt", {})), p));
        QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(fixtures::writeFile(dir, "pk.ovt", "PK not really an archive")), p));
        if (geteuid() != 0) {
            const QString locked = fixtures::writeFile(dir, "locked.ovt", fixtures::plainMovie("2,1,1,100,0,0,0,0,a,b", {"ab"}));
            QFile::setPermissions(locked, QFileDevice::Permissions());
            QVERIFY(!orv::cargaPelicula(orv::FileName::fromText(locked), p));
        }
    }

    void frameRows_data()
    {
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("exact") << 3 << 2 << QByteArray("abcdef") << QByteArray("abc\r\ndef");
        QTest::newRow("short line: empty rows below") << 3 << 3 << QByteArray("ab") << QByteArray("ab\r\n\r\n");
        QTest::newRow("long line: extra never shown") << 2 << 2 << QByteArray("abcdefgh") << QByteArray("ab\r\ncd");
        QTest::newRow("empty line") << 3 << 2 << QByteArray() << QByteArray("\r\n");
        QTest::newRow("one row: no line break") << 4 << 1 << QByteArray("abcd") << QByteArray("abcd");
        QTest::newRow("zero height") << 4 << 0 << QByteArray("abcd") << QByteArray();
        QTest::newRow("negative width") << -5 << 2 << QByteArray("abcd") << QByteArray("\r\n");
    }

    void frameRows()
    {
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QByteArray, line);
        QTEST(orv::armaCuadro(oneFrame(ancho, alto, line), 0), "shown");
    }

    void wideMovieShowsEveryRow()
    {
        // Rows starting past character 32767 are shown like any other: a 400-wide
        // movie keeps row 82 and beyond.
        constexpr int kWidth = 400;
        constexpr int kHeight = 100;
        QByteArray line;
        for (int r = 0; r < kHeight; ++r)
            line += QByteArray(kWidth, static_cast<char>('A' + r % 26));
        const QList<QByteArray> rows = orv::armaCuadro(oneFrame(kWidth, kHeight, line), 0).split('\n');
        QCOMPARE(rows.size(), kHeight);
        QCOMPARE(rows[81], QByteArray(kWidth, 'A' + 81 % 26) + '\r');
        QCOMPARE(rows[82], QByteArray(kWidth, 'A' + 82 % 26) + '\r');
        QCOMPARE(rows[99], QByteArray(kWidth, 'A' + 99 % 26));
    }

    void missingFrameGivesEmptyRows()
    {
        const Movie p = oneFrame(3, 3, "abcdefghi");
        QCOMPARE(orv::armaCuadro(p, 1), QByteArray("\r\n\r\n"));
        QCOMPARE(orv::armaCuadro(p, -1), QByteArray("\r\n\r\n"));
        QCOMPARE(orv::armaCuadro(Movie{}, 0), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestMovieReader)
#include "test_moviereader.moc"

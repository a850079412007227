// Frame assembly: rows cut from the frame line, CR LF between them.
#include "frame.h"

#include <QtTest>

using orv::Pelicula;

namespace {

Pelicula movie(int ancho, int alto, const QByteArray& line)
{
    Pelicula p;
    p.ancho = static_cast<std::int16_t>(ancho);
    p.alto = static_cast<std::int16_t>(alto);
    p.numCuadros = 1;
    p.setDatos(line, {{0, line.size()}});
    return p;
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT
private slots:
    void rows_data()
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

    void rows()
    {
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QByteArray, line);
        QTEST(orv::armaCuadro(movie(ancho, alto, line), 0), "shown");
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
        const QList<QByteArray> rows = orv::armaCuadro(movie(kWidth, kHeight, line), 0).split('\n');
        QCOMPARE(rows.size(), kHeight);
        QCOMPARE(rows[81], QByteArray(kWidth, 'A' + 81 % 26) + '\r');
        QCOMPARE(rows[82], QByteArray(kWidth, 'A' + 82 % 26) + '\r');
        QCOMPARE(rows[99], QByteArray(kWidth, 'A' + 99 % 26));
    }

    void missingFrameGivesEmptyRows()
    {
        const Pelicula p = movie(3, 3, "abcdefghi");
        QCOMPARE(orv::armaCuadro(p, 1), QByteArray("\r\n\r\n"));
        QCOMPARE(orv::armaCuadro(p, -1), QByteArray("\r\n\r\n"));
        QCOMPARE(orv::armaCuadro(Pelicula{}, 0), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "test_frame.moc"

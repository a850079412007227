// The streaming movie reader: the same movie whatever pieces the bytes come
// in, no pull past the last frame line, an exact limit on what is held, and
// damaged data unreadable.
#include "bytesource.h"
#include "moviefixtures.h"
#include "moviestream.h"

#include <QtTest>

#include <algorithm>
#include <cstring>

using orv::Movie;

namespace {

// Hands the bytes over in pieces of at most `piece` bytes, then, when
// `padding` is set, that byte for ever, or a read error when `failAfter`
// bytes have gone.
class PieceSource : public orv::ByteSource
{
public:
    PieceSource(QByteArray bytes, qint64 piece) : m_bytes(std::move(bytes)), m_piece(piece) {}

    std::optional<char> padding;
    qint64 failAfter = -1;
    bool finishAnswer = true;
    qint64 pulled = 0;
    bool finished = false;

    qint64 read(char* into, qint64 max) override
    {
        if (failAfter >= 0 && pulled >= failAfter)
            return -1;
        qint64 n = std::min(max, m_piece);
        if (failAfter >= 0)
            n = std::min(n, failAfter - pulled);
        const qint64 fromBytes = std::clamp<qint64>(m_bytes.size() - pulled, 0, n);
        std::memcpy(into, m_bytes.constData() + pulled, static_cast<size_t>(fromBytes));
        if (fromBytes < n) {
            if (!padding)
                n = fromBytes;
            else
                std::memset(into + fromBytes, *padding, static_cast<size_t>(n - fromBytes));
        }
        pulled += n;
        return n;
    }

    bool finish() override
    {
        finished = true;
        return finishAnswer;
    }

private:
    QByteArray m_bytes;
    qint64 m_piece;
};

constexpr qint64 kNoLimit = std::numeric_limits<qint64>::max();

} // namespace

class TestMovieStream : public QObject
{
    Q_OBJECT
private slots:
    void piecesDoNotMatter_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("creador");
        QTest::addColumn<QByteArrayList>("expected"); // empty: unreadable
        const QByteArray h = "2,1,3,100,0,0,0,0,Ana,b";
        QTest::newRow("CR LF") << h + "\r\nab\r\ncd\r\nef\r\n" << QByteArray("Ana") << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("mixed ends") << h + "\nab\r\ncd\ref\n" << QByteArray("Ana") << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("LF CR is two ends") << h + "\n\n\r\rcd" << QByteArray("Ana") << QByteArrayList{"", "", ""};
        QTest::newRow("CR CR LF") << h + "\r\r\nab\r\ncd" << QByteArray("Ana") << QByteArrayList{"", "ab", "cd"};
        QTest::newRow("long lines with LF") << h + "\n" + QByteArray(5000, 'x') + "\n\n" + QByteArray(3000, 'y') << QByteArray("Ana") << QByteArrayList{QByteArray(5000, 'x'), "", QByteArray(3000, 'y')};
        QTest::newRow("header over two lines") << QByteArray("2,1,3,100\n0,0,0,0,Ana,b\r\nab\ncd\nef") << QByteArray("Ana") << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("quoted author with comma") << QByteArray("2,1,3,100,0,0,0,0,\"A, n\" x,b\nab\ncd\nef") << QByteArray("A, n") << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("long author") << "2,1,3,100,0,0,0,0," + QByteArray(20000, 'A') + ",b\r\nab\r\ncd\r\nef" << QByteArray(20000, 'A') << QByteArrayList{"ab", "cd", "ef"};
        QTest::newRow("header ends at the file end") << QByteArray("2,1,1,100,0,0,0,0,Ana,b") << QByteArray() << QByteArrayList{};
        QTest::newRow("one frame line short") << h + "\r\nab\r\ncd\r\n" << QByteArray() << QByteArrayList{};
        QTest::newRow("nine header values") << QByteArray("2,1,1,100,0,0,0,0,Ana") << QByteArray() << QByteArrayList{};
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArrayList{};
    }

    void piecesDoNotMatter()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, creador);
        QFETCH(QByteArrayList, expected);
        for (qint64 piece : {qint64(1), qint64(2), qint64(3), qint64(7), qint64(1) << 30}) {
            PieceSource source(bytes, piece);
            Movie p;
            const bool ok = orv::readMovie(source, p, kNoLimit);
            QVERIFY2(ok == !expected.isEmpty(), qPrintable(QString("pieces of %1").arg(piece)));
            if (ok) {
                QCOMPARE(fixtures::frames(p), expected);
                QCOMPARE(p.creador, creador);
                QCOMPARE(p.masInfo, QByteArray("b"));
            }
        }
    }

    void stopsAtTheLastFrameLine_data()
    {
        QTest::addColumn<char>("padding");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("zeros after CR LF") << '\0' << QByteArray("\r\n");
        QTest::newRow("empty lines after LF") << '\n' << QByteArray("\n");
    }

    void stopsAtTheLastFrameLine()
    {
        QFETCH(char, padding);
        QFETCH(QByteArray, end);
        // A source that never ends: a reader that wants the whole file would
        // run into the limit and fail.
        PieceSource source("3,1,2,100,0,0,0,0,Ana,b" + end + "abc" + end + "def" + end, qint64(1) << 20);
        source.padding = padding;
        Movie p;
        QVERIFY(orv::readMovie(source, p, 1 << 20));
        QCOMPARE(fixtures::frames(p), (QByteArrayList{"abc", "def"}));
        QVERIFY(source.finished);
        // What is kept is the header and the frame lines, not what was read
        // past them (at least a whole first read).
        QVERIFY(p.data().size() < 64);
    }

    void limitIsExact_data()
    {
        QTest::addColumn<QByteArray>("movie");
        QTest::newRow("ends with CR LF") << QByteArray("3,1,1,100,0,0,0,0,a,b\r\nabc\r\n");
        QTest::newRow("ends without a line end") << QByteArray("3,1,1,100,0,0,0,0,a,b\r\nabc");
    }

    void limitIsExact()
    {
        QFETCH(QByteArray, movie);
        for (qint64 piece : {qint64(1), qint64(1) << 20}) {
            PieceSource fits(movie, piece);
            Movie p;
            QVERIFY(orv::readMovie(fits, p, movie.size()));
            QCOMPARE(p.frame(0).toByteArray(), QByteArray("abc"));
            PieceSource over(movie, piece);
            QVERIFY(!orv::readMovie(over, p, movie.size() - 1));
        }
    }

    void damagedDataIsUnreadable()
    {
        const QByteArray movie = "3,1,2,100,0,0,0,0,a,b\r\nabc\r\ndef\r\n";
        Movie p;
        p.creador = "previous";
        for (qint64 failAfter : {qint64(0), qint64(5), qint64(25), movie.size() - 3}) {
            PieceSource source(movie, 4);
            source.failAfter = failAfter;
            QVERIFY2(!orv::readMovie(source, p, kNoLimit), qPrintable(QString::number(failAfter)));
        }
        // A source that finds its data bad at its end (a wrong CRC) spoils the movie.
        PieceSource badEnd(movie, 1 << 20);
        badEnd.finishAnswer = false;
        QVERIFY(!orv::readMovie(badEnd, p, kNoLimit));
        QCOMPARE(p.creador, QByteArray("previous"));
    }
};

QTEST_GUILESS_MAIN(TestMovieStream)
#include "test_moviestream.moc"

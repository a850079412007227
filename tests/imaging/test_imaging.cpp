#include "childprocess.h"
#include "decode.h"
#include "decodeahead.h"
#include "generation.h"
#include "imagefixtures.h"
#include "metafile.h"
#include "qtimage.h"
#include "readfile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <cstring>
#include <sys/resource.h>

using namespace orv::imaging;
using namespace imagefixtures;

namespace {

struct Sample
{
    QPoint point;
    QRgb color;
};

// A picture of four colour quadrants; decoders must give back each one.
QImage quadrants(int w, int h, QRgb a = qRgb(255, 0, 0), QRgb b = qRgb(0, 0, 255))
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (x < w / 2) == (y < h / 2) ? a : b);
    return image;
}

QList<Sample> quadrantSamples(int w, int h, QRgb a = qRgb(255, 0, 0), QRgb b = qRgb(0, 0, 255))
{
    return {{{1, 1}, a}, {{w - 2, 1}, b}, {{1, h - 2}, b}, {{w - 2, h - 2}, a}};
}

QByteArray save(const QImage& image, const char* format, int quality = -1)
{
    QByteArray data;
    QBuffer b(&data);
    b.open(QIODevice::WriteOnly);
    image.save(&b, format, quality);
    return data;
}

// A memory figure of this process from /proc/self/status, in bytes:
// "VmRSS:", "VmHWM:".
qint64 memory(const char* field)
{
    QFile state(QStringLiteral("/proc/self/status"));
    if (!state.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : state.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

bool alike(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A valid 40 x 30 EMF with `record` put before its end-of-file record,
// the header's byte and record counts kept right.
QByteArray withRecord(const QByteArray& record)
{
    QByteArray e = imagefixtures::emf(40, 30, {});
    e.insert(e.size() - 20, record);
    const quint32 bytes = quint32(e.size());
    std::memcpy(e.data() + 48, &bytes, 4);
    quint32 records = 0;
    std::memcpy(&records, e.constData() + 52, 4);
    ++records;
    std::memcpy(e.data() + 52, &records, 4);
    return e;
}

QImage withTransparency(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = h / 2; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(0, 128, 0));
    return image;
}

} // namespace

class TestImaging : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::optional<QImage> decode(const QByteArray& data, const QString& name)
    {
        const QString path = m_dir.filePath(name);
        if (!write(path, data))
            return std::nullopt;
        return decodeImage(orv::FileName::fromText(path));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Every kind, each from a file made here: size and colours come back.
    // Raster kinds are told by their content, so .dib and .jpeg take the
    // .bmp and .jpg rows' path.
    void kinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<Sample>>("samples");
        QTest::addColumn<int>("tolerance");

        const QImage q = quadrants(24, 18);
        QTest::newRow("bmp") << "a.bmp" << save(q, "bmp") << QSize(24, 18)
                             << quadrantSamples(24, 18) << 0;
        QTest::newRow("jpg") << "a.jpg" << save(quadrants(32, 32), "jpg", 100) << QSize(32, 32)
                             << quadrantSamples(32, 32) << 24;

        // GIF: the first frame of several, transparent pixels white; (1,2,3)
        // is the first colour met, so palette index 0.
        QImage first = quadrants(20, 10, qRgb(255, 0, 0), qRgb(0, 0, 0));
        first.setPixel(0, 0, qRgb(1, 2, 3));
        const QString gif = m_dir.filePath(QStringLiteral("origen.gif"));
        QVERIFY(writeGif(gif, {first, quadrants(20, 10, qRgb(0, 255, 0), qRgb(0, 0, 0))}, 0));
        QTest::newRow("gif, first frame") << "a.gif" << readFile(gif) << QSize(20, 10)
                                          << QList<Sample>{{{0, 0}, qRgb(255, 255, 255)},
                                                           {{2, 2}, qRgb(255, 0, 0)},
                                                           {{18, 2}, qRgb(0, 0, 0)}}
                                          << 0;

        // Icons and cursors with three sizes: the largest, 48, is the one used;
        // its transparent half is white.
        const QList<QImage> sizes{quadrants(16, 16, qRgb(9, 9, 9), qRgb(9, 9, 9)),
                                  withTransparency(48, 48),
                                  quadrants(32, 32, qRgb(9, 9, 9), qRgb(9, 9, 9))};
        const QList<Sample> transparentTop{{{3, 3}, qRgb(255, 255, 255)},
                                           {{40, 40}, qRgb(0, 128, 0)}};
        QTest::newRow("ico, largest picture")
            << "a.ico" << severalIcon(sizes, false) << QSize(48, 48) << transparentTop << 0;
        // Half-transparent black over the white background is mid grey, not
        // black (over black) nor white (alpha dropped).
        QImage half(16, 16, QImage::Format_ARGB32);
        half.fill(qRgba(0, 0, 0, 128));
        QTest::newRow("ico, half-transparent over white")
            << "b.ico" << severalIcon({half}, false) << QSize(16, 16)
            << QList<Sample>{{{8, 8}, qRgb(127, 127, 127)}} << 1;

        using R = Rectangle;
        // The two rectangles reach both corners, so the drawing's extent is the frame.
        const QList<R> rects{{QRect(0, 0, 20, 15), QColor(255, 0, 0)},
                             {QRect(20, 15, 20, 15), QColor(0, 0, 255)}};
        const QList<Sample> m{{{5, 5}, qRgb(255, 0, 0)},
                              {{30, 25}, qRgb(0, 0, 255)},
                              {{30, 5}, qRgb(255, 255, 255)},
                              {{5, 25}, qRgb(255, 255, 255)}};
        QTest::newRow("wmf at its declared size")
            << "a.wmf" << wmf(40, 30, rects) << QSize(40, 30) << m << 0;
        QTest::newRow("emf at its declared size")
            << "a.emf" << emf(40, 30, rects) << QSize(40, 30) << m << 0;
    }
    void kinds()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(QSize, size);
        QFETCH(QList<Sample>, samples);
        QFETCH(int, tolerance);
        const QString path = m_dir.filePath(name);
        QVERIFY(write(path, data));
        const std::optional<QImage> image = decodeImage(orv::FileName::fromText(path));
        QVERIFY(image);
        QCOMPARE(image->size(), size);
        QCOMPARE(image->format(), QImage::Format_RGB32);
        for (const Sample& mu : samples) {
            const QRgb c = image->pixel(mu.point);
            QVERIFY2(alike(c, mu.color, tolerance), qPrintable(QStringLiteral("(%1,%2) %3")
                                                                   .arg(mu.point.x())
                                                                   .arg(mu.point.y())
                                                                   .arg(c, 8, 16)));
        }
    }

    // A metafile is drawn into the frame its header declares, one unit to the
    // pixel, whatever part of it the drawing covers; what lies outside the
    // frame is clipped. Checked pixel by pixel against the drawing.
    void metafileDeclaredFrame_data()
    {
        QTest::addColumn<bool>("emf");
        QTest::addColumn<QList<Rectangle>>("rects");
        QTest::addColumn<QPoint>("origin");
        const QList<Rectangle> centre{{QRect(40, 20, 20, 20), QColor(0, 0, 0)}};
        const QList<Rectangle> outside{{QRect(10, 5, 30, 10), QColor(200, 10, 10)},
                                       {QRect(85, 45, 40, 40), QColor(10, 10, 201)}};
        for (bool emf : {false, true}) {
            const char* type = emf ? "emf" : "wmf";
            QTest::addRow("%s, a square in the middle", type) << emf << centre << QPoint();
            QTest::addRow("%s, off the corner and past the frame", type) << emf << outside << QPoint();
        }
        QTest::newRow("wmf, its window starting elsewhere") << false << outside << QPoint(30, 70);
    }
    void metafileDeclaredFrame()
    {
        QFETCH(bool, emf);
        QFETCH(QList<Rectangle>, rects);
        QFETCH(QPoint, origin);
        const auto image = emf ? decode(imagefixtures::emf(100, 60, rects), QStringLiteral("x.emf"))
                               : decode(wmf(100, 60, rects, true, origin), QStringLiteral("x.wmf"));
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(100, 60));
        QImage expected(100, 60, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter p(&expected);
        // Both libraries fill a rectangle up to its closing edges inclusive.
        for (const Rectangle& r : rects)
            p.fillRect(r.box.adjusted(0, 0, 1, 1), r.color);
        p.end();
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                QVERIFY2(
                    image->pixel(x, y) == expected.pixel(x, y),
                    qPrintable(
                        QStringLiteral("(%1,%2) %3").arg(x).arg(y).arg(image->pixel(x, y), 8, 16)));
    }

    // A pen wider than any picture is narrowed before libwmf allocates a
    // brush as wide as it (this one, 21,248 units, took 1.8 GB).
    void widePenDrawsInLittleMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        const QByteArray data = QByteArray::fromBase64(
            "183GmgAAAAAAAGQAPABgAAAAAAApVwEACQAAAzgAAAACAAgAAAAAAAUAAAALAgAAAAAFAAAADAI8AGQACAAAAP"
            "oCAQAAUwAAAAAAAAQ"
            "AAAAtAQAABwAAAPwCAAAAAAAAAAAEAAAALQEBAAcAAAAbBCgAPAAUACgABAAAAPABAQADAAAAAAA=");
        const int status = childprocess::run([&] {
            const qint64 before = memory("VmRSS:");
            const auto image = drawWmf(data);
            return image && image->size() == QSize(100, 60) &&
                           memory("VmHWM:") - before < (100LL << 20)
                       ? 0
                       : 1;
        });
        QCOMPARE(status, 0);
    }

    // One record can cost minutes: a 64-pixel pen along lines that run far
    // outside the picture took 45 s, a filled rectangle as large 18 s, and
    // libwmf only asks between records whether to go on. Both are refused
    // before the device draws them; a line just as wide inside the picture
    // is still drawn.
    void costlyRecordsAreRefusedUndrawn_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("drawn");
        const QByteArray farPen = QByteArray::fromBase64(
            "183GmgAAAAAAACwByABgAAAAAACVVgEACQAAAy4AAAABAAwAAAAAAAUAAAALAgAAAAAFAAAADALIACwBCAAAAPoC"
            "AABAAAAAAAAAAAQAAAAtAQAADAAAACUDBAAAgwCDAH0AfQCDAIMAfQB9AwAAAAAA");
        QTest::newRow("wide pen, far outside") << farPen << false;
        QTest::newRow("filled rectangle, far outside")
            << QByteArray::fromBase64("183GmgAAAAAAACwByABgAAAAAACVVgEACQAAAzQAAAACAAoAAAAAAAUAAAALAgAA"
                                      "AAAFAAAADALIACwBCAAAAPoCBQAAAAAAAAAAAAQAAAAtAQAABwAAAPwCAAD/AAAA"
                                      "AAAEAAAALQEBAAcAAAAbBAB9AH0AgwCDAwAAAAAA")
            << false;
        // The same pen along the picture's diagonal, both ways.
        QByteArray inside = farPen;
        const qsizetype points = inside.indexOf(QByteArray::fromHex("25030400")) + 4;
        for (int k = 0; k < 4; ++k) {
            qToLittleEndian<qint16>(qint16(k % 2 ? 300 : 0), inside.data() + points + 4 * k);
            qToLittleEndian<qint16>(qint16(k % 2 ? 200 : 0), inside.data() + points + 4 * k + 2);
        }
        QTest::newRow("wide pen, inside") << inside << true;
    }

    void costlyRecordsAreRefusedUndrawn()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, drawn);
        QElapsedTimer clock;
        clock.start();
        const auto image = drawWmf(data);
        QCOMPARE(image.has_value(), drawn);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    // A metafile without the placeable header declares no size: it takes the
    // extent of its drawing as libwmf scans it.
    void wmfWithoutDeclaredSize()
    {
        const QByteArray data = wmf(40, 30, {{QRect(0, 0, 40, 30), QColor(255, 0, 0)}}, false);
        const auto image = drawWmf(data);
        QVERIFY(image);
        QVERIFY(!image->isNull());
        QVERIFY(image->width() > 0 && image->height() > 0);
        QCOMPARE(image->pixel(image->width() / 2, image->height() / 2), qRgba(255, 0, 0, 255));
    }

    // What is not a picture is refused, whatever its name.
    void notPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("text named bmp") << "t.bmp" << QByteArray("hola, esto no es una imagen\r\n");
        QTest::newRow("truncated bmp") << "c.bmp" << save(quadrants(24, 18), "bmp").left(40);
        QTest::newRow("wmf header only") << "h.wmf" << wmf(40, 30, {}).left(30);
        // libwmf allocates the largest record the header announces.
        QByteArray notice = wmf(40, 30, {});
        qToLittleEndian<quint32>(0x70000000, notice.data() + 22 + 12);
        QTest::newRow("wmf announcing a record larger than the file") << "m.wmf" << notice;
        QTest::newRow("emf header only") << "h.emf" << emf(40, 30, {}).left(60);
        QTest::newRow("emf declaring a huge frame") << "g.emf" << emf(300000, 300000, {});
        // Record streams the metafile library would trust and read past.
        const QByteArray emfPlus("EMF+");
        const auto comment = [](const QByteArray& load) {
            QByteArray r;
            for (const quint32 v : {70u, quint32(12 + load.size()), quint32(load.size())})
                r.append(reinterpret_cast<const char*>(&v), 4);
            return r + load;
        };
        const auto recordMore = [&](quint32 size, quint32 data) {
            QByteArray r = emfPlus;
            for (const quint32 v : {0x4008u, size, data})
                r.append(reinterpret_cast<const char*>(&v), 4);
            return r;
        };
        QTest::newRow("emf+ payload claiming 0x7FFFFFFF bytes")
            << "p.emf" << withRecord(comment(recordMore(12, 0x7FFFFFFF)));
        QTest::newRow("emf+ record longer than its comment")
            << "q.emf" << withRecord(comment(recordMore(0x7FFFFFF0, 0)));
        QTest::newRow("comment data longer than its record")
            << "r.emf"
            << withRecord(QByteArray::fromHex("46000000"
                                              "0C000000"
                                              "FFFFFF7F"));
        QTest::newRow("record past the end of the file")
            << "s.emf"
            << withRecord(QByteArray::fromHex("25000000"
                                              "00010000"
                                              "00000000"));
        QTest::newRow("record not a multiple of four")
            << "t.emf"
            << withRecord(QByteArray::fromHex("25000000"
                                              "0D000000"
                                              "0000000000"));
        QTest::newRow("no end-of-file record") << "u.emf" << emf(40, 30, {}).chopped(20);
        // EXTTEXTOUTW, 76 bytes, claiming 100 characters just past its end.
        QByteArray text = QByteArray::fromHex("54000000"
                                              "4C000000") +
                          QByteArray(68, '\0');
        qToLittleEndian<quint32>(100, text.data() + 44);
        qToLittleEndian<quint32>(76, text.data() + 48);
        QTest::newRow("text past its record") << "v.emf" << withRecord(text);
    }
    void notPictures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        const QString path = m_dir.filePath(name);
        QVERIFY(data.isNull() || write(path, data));
        QVERIFY(!decodeImage(orv::FileName::fromText(path)));
    }

    // Decoding ahead still hands pictures out in list order, failures in place.
    void aheadKeepsOrder()
    {
        QStringList paths;
        for (int i = 0; i < 9; ++i) {
            const QString path = m_dir.filePath(QStringLiteral("orden%1.bmp").arg(i));
            QImage image(12, 24, QImage::Format_RGB32);
            image.fill(qRgb(i, i, i));
            QVERIFY(write(path, i == 4 ? QByteArray("no") : save(image, "bmp")));
            paths.append(path);
        }
        DecodeAhead d(orv::fileNamesFromTexts(paths), 3);
        for (int i = 0; i < 9; ++i) {
            const auto image = d.next();
            QCOMPARE(bool(image.image), i != 4);
            if (image.image)
                QCOMPARE(image.image->pixel(0, 0), qRgb(i, i, i));
        }
        QVERIFY(!d.next().image);
    }

    // Large pictures in flight together stay within the decode-ahead
    // bound, the one about to start counted too: after a first file that
    // declares no size (counted as the largest, so alone; unreadable, so no
    // size for the others to match), pictures of 72 MiB each go three at a
    // time, not four.
    void aheadStaysWithinItsMemory()
    {
        QStringList paths{m_dir.filePath(QStringLiteral("sin-tamano.bmp"))};
        QVERIFY(write(paths[0], "no es una imagen"));
        QImage large(3000, 3000, QImage::Format_RGB32);
        large.fill(qRgb(9, 9, 9));
        const QByteArray bmp = save(large, "bmp");
        for (int i = 0; i < 5; ++i) {
            paths.append(m_dir.filePath(QStringLiteral("grande%1.bmp").arg(i)));
            QVERIFY(write(paths.last(), bmp));
        }
        DecodeAhead d(orv::fileNamesFromTexts(paths), 8);
        QVERIFY(!d.next().image);
        for (int i = 1; i < paths.size(); ++i)
            QVERIFY2(d.next().image, qPrintable(paths[i]));
        QCOMPARE(d.mostAtOnce(), 3);
    }

    // A picture the generation can never take is refused by the size its
    // header declares, never decoded: image 0 outside the accepted sizes, a
    // later one unlike image 0. A dozen 1 KB metafiles claiming 8001 × 8001
    // would take gigabytes decoded; here they run in a child whose address
    // space has little room left, and end with the generation's size
    // failures.
    void declaredSizeRefusedBeforeDecoding_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("index");
        const QStringList large(12, QStringLiteral("grande.emf"));
        QTest::newRow("image 0 too large") << large << int(orv::Result::InvalidSize) << 0;
        QTest::newRow("a later image unlike image 0")
            << QStringList{QStringLiteral("bien.bmp")} + large << int(orv::Result::SizesDiffer)
            << 1;
    }
    void declaredSizeRefusedBeforeDecoding()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        QFETCH(QStringList, names);
        QFETCH(int, result);
        QFETCH(int, index);
        QVERIFY(write(m_dir.filePath(QStringLiteral("grande.emf")),
                      imagefixtures::emf(8001, 8001, {})));
        QVERIFY(write(m_dir.filePath(QStringLiteral("bien.bmp")), save(quadrants(40, 30), "bmp")));
        QStringList paths;
        for (const QString& n : names)
            paths.append(m_dir.filePath(n));
        QCOMPARE(declaredSize(orv::FileName::fromText(paths.last())), QSize(8001, 8001));

        const QString output = m_dir.filePath(QStringLiteral("p.ovt"));
        const int status = childprocess::run([&] {
            if (!childprocess::withRoomOf(160LL << 20))
                return childprocess::kSkipped;
            DecodeAhead d(orv::fileNamesFromTexts(paths));
            const auto r =
                orv::generaPelicula(orv::FileName::fromText(output), {int(paths.size()), QStringLiteral("100"), {}},
                                    [&d](int) { return d.next().forGeneration(); });
            return int(r.type) == result && r.index == index ? 0 : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the address-space limit could not be set");
        QCOMPARE(status, 0);
    }

};

QTEST_MAIN(TestImaging)
#include "test_imaging.moc"

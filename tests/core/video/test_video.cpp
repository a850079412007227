// Clips to movies: which frames are sampled, the grid a clip becomes, grey
// levels to characters, and whole imports of clips made here (a grey ramp,
// a moving bar, odd sizes, one frame, an animated GIF with uneven delays),
// checked cell by cell; bad input writes nothing.
#include "imagefixtures.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "numeric.h"
#include "tonetable.h"
#include "videofixtures.h"
#include "videoimport.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <sys/stat.h>

using namespace orv::video;
using orv::readTime;
using namespace Qt::StringLiterals;
using videofixtures::Kind;

Q_DECLARE_METATYPE(std::vector<double>)
Q_DECLARE_METATYPE(std::vector<int>)

namespace {

// The ramp from black to white: level L is rampaCaracteres[15 - L].
QByteArray darkToLightRamp()
{
    QByteArray r;
    for (int level = 0; level < 16; ++level)
        r += orv::rampaCaracteres[size_t(15 - level)];
    return r;
}

// A picture of 16 vertical bands, level 0 (black) to 15 (white), each
// `ancho` pixels wide.
QImage bands(int ancho, int alto)
{
    QImage image(16 * ancho, alto, QImage::Format_Grayscale8);
    for (int y = 0; y < alto; ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = uchar(x / ancho * 17);
    return image;
}

QImage plain(QSize size, int grey)
{
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(qRgb(grey, grey, grey));
    return image;
}

// A minimal WAV file: sound, no picture.
QByteArray wav()
{
    QByteArray d("RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00"
                 "\x02\x00\x10\x00" "data" "\x08\x00\x00\x00",
                 44);
    return d + QByteArray(8, '\0');
}

// A frame of a clip as people shoot them: a soft gradient, text and a ball
// that move, so that a lossy codec leaves block edges its filter smooths.
QImage scene(int i)
{
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 320, 240);
    sky.setColorAt(0, QColor(30 + i % 40, 60, 120));
    sky.setColorAt(1, QColor(230, 200, 150 - i % 50));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::white);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(36);
    p.setFont(font);
    p.drawText(QPointF(-60 + 4 * i, 90), u"Orvane %1"_s.arg(i));
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(160 + 100 * std::sin(i / 9.0), 170), 30, 30);
    return image;
}

// The cells of two frame lines that differ.
int differing(const QByteArray& a, const QByteArray& b)
{
    int n = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        n += a[i] != b[i];
    return n + int(std::abs(a.size() - b.size()));
}

} // namespace

class TestVideo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString clip(const QString& name, const QList<QImage>& cuadros, Kind kind = Kind::LosslessGrey,
                 const QList<int>& times = {}, int rotation = 0)
    {
        const QString path = m_dir.filePath(name);
        if (!videofixtures::writeClip(path, cuadros, kind, times, rotation))
            qWarning("the clip %s could not be made", qPrintable(name));
        return path;
    }

private slots:
    // Each sample shows the last frame begun by its time.
    void sampling_data()
    {
        QTest::addColumn<std::vector<double>>("times");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("fps");
        QTest::addColumn<std::vector<int>>("expected");
        const std::vector<double> a25{0, 0.04, 0.08, 0.12, 0.16, 0.20, 0.24, 0.28, 0.32, 0.36};
        QTest::newRow("the clip's own rate") << a25 << 0.4 << 0.0 << -1.0 << 25.0
                                             << std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("10 of 25 a second") << a25 << 0.4 << 0.0 << -1.0 << 10.0 << std::vector<int>{0, 2, 5, 7};
        QTest::newRow("50 a second repeats") << std::vector<double>{0, 0.04} << 0.08 << 0.0 << -1.0 << 50.0
                                             << std::vector<int>{0, 0, 1, 1};
        QTest::newRow("from and to") << a25 << 0.4 << 0.12 << 0.28 << 25.0 << std::vector<int>{3, 4, 5, 6};
        QTest::newRow("uneven delays") << std::vector<double>{0, 0.1, 0.4} << 0.6 << 0.0 << -1.0 << 10.0
                                       << std::vector<int>{0, 1, 1, 1, 2, 2};
        QTest::newRow("first frame late") << std::vector<double>{0.05, 0.09} << 0.13 << 0.0 << -1.0 << 25.0
                                          << std::vector<int>{0, 0, 0, 1};
        QTest::newRow("empty range") << a25 << 0.4 << 0.1 << 0.1 << 25.0 << std::vector<int>{};
        QTest::newRow("to past the clip's end: what the clip has")
            << a25 << 0.4 << 0.24 << 1.0 << 25.0 << std::vector<int>{6, 7, 8, 9};
    }
    void sampling()
    {
        QFETCH(std::vector<double>, times);
        QFETCH(double, end);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, fps);
        QFETCH(std::vector<int>, expected);
        QCOMPARE(plan(times, end, from, to, fps), expected);
    }

    void grid_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<QSize>("visible");
        QTest::addColumn<QSize>("expected"); // empty: refused
        QTest::newRow("4:3 at 80") << 80 << QSize(320, 240) << QSize(80, 30);
        QTest::newRow("too tall: narrowed") << 160 << QSize(100, 1000) << QSize(80, 400);
        QTest::newRow("too wide for 12 rows") << 20 << QSize(1000, 100) << QSize();
        QTest::newRow("11 columns") << 11 << QSize(100, 100) << QSize();
        QTest::newRow("400 columns") << 400 << QSize(400, 600) << QSize(400, 300);
        QTest::newRow("400 columns, too tall") << 400 << QSize(400, 1200) << QSize(266, 399);
    }
    void grid()
    {
        QFETCH(int, columns);
        QFETCH(QSize, visible);
        QFETCH(QSize, expected);
        QCOMPARE(orv::video::grid(columns, visible).value_or(QSize()), expected);
    }

    void greyLevelsToCharacters()
    {
        QByteArray grey;
        for (int level = 0; level < 16; ++level)
            grey += char(level * 17);
        QCOMPARE(greyLine(grey, QSize(16, 1), false, Dither::None), darkToLightRamp());
        QByteArray reversed = darkToLightRamp();
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(greyLine(grey, QSize(16, 1), true, Dither::None), reversed);
        QCOMPARE(greyLine(grey, QSize(16, 1), false, Dither::Ordered), darkToLightRamp());
        // Half way between two levels: plain rounding gives one character,
        // the dither a mix of the two, half and half.
        const QByteArray middle(16, char(8 * 17 + 8));
        QCOMPARE(greyLine(middle, QSize(4, 4), false, Dither::None),
                 QByteArray(16, orv::rampaCaracteres[7]));
        const QByteArray mix = greyLine(middle, QSize(4, 4), false, Dither::Ordered);
        QCOMPARE(mix.count(orv::rampaCaracteres[6]), 8);
        QCOMPARE(mix.count(orv::rampaCaracteres[7]), 8);
        QCOMPARE(pauseFor(25), u"40"_s);
        QCOMPARE(pauseFor(30), u"33.333"_s);
        QCOMPARE(pauseFor(24), u"41.667"_s);
        QCOMPARE(readTime(u"75"_s), std::optional<double>(75));
        QCOMPARE(readTime(u"1:15.5"_s), std::optional<double>(75.5));
        QCOMPARE(readTime(u"01:02:03"_s), std::optional<double>(3723));
        for (const QString& bad : {u""_s, u"1:75"_s, u"1.5:10"_s, u"-3"_s, u"a:b"_s, u"1:2:3:4"_s})
            QVERIFY2(!readTime(bad), qPrintable(bad));
    }

    // Whole imports, every cell of every frame checked.
    void imports()
    {
        // A grey ramp kept exactly, and through H.264: the 16 levels give the
        // 16 characters in order on every row.
        for (Kind kind : {Kind::LosslessGrey, Kind::H264}) {
            const QString path = clip(kind == Kind::H264 ? u"rampa.mp4"_s : u"rampa.mkv"_s,
                                      {bands(4, 96), bands(4, 96)}, kind);
            VideoOptions o;
            o.columns = 16;
            const QString output = m_dir.filePath(u"rampa.ovt"_s);
            const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o);
            QCOMPARE(r.state, VideoState::Created);
            orv::Movie p;
            QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), p));
            QCOMPARE(p.ancho, 16);
            QCOMPARE(p.alto, 12);
            QCOMPARE(p.numCuadros, 2);
            QCOMPARE(p.pausa, 40.0);
            QCOMPARE(p.frame(1).toByteArray(), darkToLightRamp().repeated(12));
        }

        // A black bar moving one pixel, so one column, a frame.
        QList<QImage> bar;
        for (int k = 0; k < 10; ++k) {
            QImage image = plain(QSize(32, 24), 255);
            for (int y = 0; y < 24; ++y)
                image.scanLine(y)[5 + k] = 0;
            bar << image;
        }
        VideoOptions o;
        o.columns = 32;
        o.creador = u"Ana"_s;
        const QString output = m_dir.filePath(u"barra.ovt"_s);
        QCOMPARE(importVideo(orv::FileName::fromText(clip(u"barra.mkv"_s, bar)), orv::FileName::fromText(output), o).state, VideoState::Created);
        orv::Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), p));
        QCOMPARE(p.numCuadros, 10);
        QCOMPARE(p.creador, QByteArray("Ana"));
        for (int k = 0; k < 10; ++k) {
            QByteArray row(32, ' ');
            row[5 + k] = '#';
            QCOMPARE(p.frame(k).toByteArray(), row.repeated(12));
        }

        // An animated GIF with uneven delays, sampled 10 times a second.
        const QString gif = m_dir.filePath(u"a.gif"_s);
        QVERIFY(imagefixtures::writeGif(
            gif,
            {plain(QSize(24, 24), 0).convertToFormat(QImage::Format_RGB32),
             plain(QSize(24, 24), 255).convertToFormat(QImage::Format_RGB32),
             plain(QSize(24, 24), 0).convertToFormat(QImage::Format_RGB32)},
            -1, {10, 30, 20}));
        VideoOptions g;
        g.columns = 24;
        g.fps = 10;
        QCOMPARE(importVideo(orv::FileName::fromText(gif), orv::FileName::fromText(output), g).state, VideoState::Created);
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), p));
        QByteArray seen;
        for (int k = 0; k < p.numCuadros; ++k)
            seen += p.frame(k).at(0);
        QCOMPARE(seen, QByteArray("#   ##"));

        // Odd sizes and a clip of one frame.
        QImage odd = plain(QSize(37, 51), 0);
        VideoOptions r;
        r.columns = 24;
        const VideoResult one = importVideo(orv::FileName::fromText(clip(u"raro.mkv"_s, {odd})), orv::FileName::fromText(output), r);
        QCOMPARE(one.state, VideoState::Created);
        QCOMPARE(one.cells, QSize(24, 17));
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), p));
        QCOMPARE(p.numCuadros, 1);
        QCOMPARE(p.frame(0).toByteArray(), QByteArray(24 * 17, '#'));
    }

    // A range past the movie format's 32,766 frames is cut there.
    void longClipIsCut()
    {
        VideoOptions o;
        o.columns = 12;
        o.fps = 60;
        const QString output = m_dir.filePath(u"larga.ovt"_s);
        const VideoResult r =
            importVideo(orv::FileName::fromText(clip(u"larga.mkv"_s, {plain(QSize(12, 24), 0), plain(QSize(12, 24), 255)},
                                                       Kind::LosslessGrey, {0, 600000})),
                        orv::FileName::fromText(output), o);
        QCOMPARE(r.state, VideoState::Created);
        QVERIFY(r.cut);
        orv::Movie p;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), p));
        QCOMPARE(p.numCuadros, kMaxFrames);
    }

    // A full disk fails the import with the system's own reason, and leaves
    // nothing behind.
    void fullDiskSaysWhy()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"lleno"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"lleno"_s));
        if (QProcess::execute(
                u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, target}) != 0)
            QSKIP("a small tmpfs could not be mounted (it needs root): the full disk is not tried");
        const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_s, {target}); });
        VideoOptions o;
        o.columns = 12;
        o.fps = 30; // 1,800 frames, 260 KB
        const VideoResult r =
            importVideo(orv::FileName::fromText(clip(u"lleno.mkv"_s, {plain(QSize(12, 24), 0), plain(QSize(12, 24), 255)},
                                                       Kind::LosslessGrey, {0, 60000})),
                        orv::FileName::fromText(target + u"/v.ovt"_s), o);
        QCOMPARE(r.state, VideoState::WriteError);
        QCOMPARE(videoMessage(r, {}),
                 u"No se pudo escribir la película: No space left on device"_s);
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Bad input, or a cancel, leaves nothing, and the message says why.
    // The import's pictures are the clip's: a lossy clip with B-frames,
    // decoded as FFmpeg decodes it (its deblocking filter included), differs
    // in at most 0.5 % of the cells.
    void picturesAreTheClipsExactDecode()
    {
        QList<QImage> frames;
        for (int i = 0; i < 100; ++i)
            frames << scene(i);
        const QString path = clip(u"escena.mp4"_s, frames, Kind::H264Typical);
        const QString output = m_dir.filePath(u"escena.ovt"_s);
        VideoOptions o;
        o.columns = 160;
        o.fps = 25;
        const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o);
        QCOMPARE(int(r.state), int(VideoState::Created));
        orv::Movie m;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), m));
        const auto exact = videofixtures::readVideo(path, r.cells);
        QVERIFY(exact);
        QCOMPARE(m.numCuadros, int(exact->grey.size()));
        qint64 cells = 0, differ = 0;
        for (int k = 0; k < m.numCuadros; ++k) {
            const QByteArray line = greyLine(exact->grey[k], r.cells, false, Dither::None);
            differ += differing(m.frame(k).toByteArray(), line);
            cells += line.size();
        }
        qInfo("%lld of %lld cells differ from the exact decode", differ, cells);
        QVERIFY2(differ * 1000 <= cells * 5, qPrintable(u"%1 of %2 cells differ"_s.arg(differ).arg(cells)));
    }

    // A portrait clip, stored sideways with a quarter turn in its display
    // matrix, imports upright, turned as FFmpeg's own tools turn it: the grid
    // is tall, and the dark corner stored at the top left shows at the
    // bottom left.
    void portraitClipsComeOutUpright()
    {
        QImage stored(64, 32, QImage::Format_Grayscale8);
        stored.fill(255);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                stored.scanLine(y)[x] = 0;
        const QString path = clip(u"retrato.mp4"_s, {stored, stored}, Kind::H264, {}, -90);
        QSize cells;
        VideoState state = VideoState::Created;
        VideoOptions o;
        o.columns = 16;
        const std::optional<QByteArray> text = firstFrame(orv::FileName::fromText(path), o, cells, state);
        QVERIFY(text);
        QCOMPARE(cells, QSize(16, 16)); // 32 x 64 as shown: as tall as wide in characters
        const QList<QByteArray> rows = text->split('\n');
        const char dark = orv::rampaCaracteres[15], light = orv::rampaCaracteres[0];
        QCOMPARE(rows[2][2], light);   // top left
        QCOMPARE(rows[2][13], light);  // top right
        QCOMPARE(rows[13][13], light); // bottom right
        QCOMPARE(rows[13][2], dark);   // bottom left
    }

    // Frames are placed by their times: a clip at a variable rate with
    // B-frames gives each sample the frame shown at its time (each frame's
    // number is its grey level).
    void samplesFollowTheFramesTimes()
    {
        QList<QImage> frames;
        QList<int> times;
        int t = 0;
        for (int i = 0; i < 40; ++i) {
            frames << plain(QSize(48, 48), 255 - 6 * i);
            times << t;
            t += i % 3 == 0 ? 70 : 20; // 70, 20, 20 ms, over and over
        }
        const QString path = clip(u"codigo.mp4"_s, frames, Kind::H264Typical, times);
        VideoOptions o;
        o.columns = 24;
        o.fps = 40; // a sample every 25 ms
        const QString output = m_dir.filePath(u"codigo.ovt"_s);
        const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o);
        QCOMPARE(int(r.state), int(VideoState::Created));
        const auto exact = videofixtures::readVideo(path, r.cells);
        QVERIFY(exact);
        orv::Movie m;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), m));
        for (int k = 0; k < m.numCuadros; ++k) {
            const qint64 at = k * 25;
            int shown = 0;
            while (shown + 1 < exact->timesMs.size() && exact->timesMs[shown + 1] <= at)
                ++shown;
            QCOMPARE(m.frame(k).toByteArray(), greyLine(exact->grey[shown], r.cells, false, Dither::None));
        }
    }

    // Sampling a clip at a lower rate than its own decodes fewer frames (a
    // frame no other refers to and gone before the next sample is dropped),
    // and each sample is still the frame shown at its time.
    void lowRatesSkipFramesNoSampleNeeds()
    {
        QList<QImage> frames;
        for (int i = 0; i < 100; ++i)
            frames << scene(i);
        const QString path = clip(u"salteo.mp4"_s, frames, Kind::H264Typical);
        VideoOptions o;
        o.columns = 80;
        o.fps = 5; // the clip has 25
        const QString output = m_dir.filePath(u"salteo.ovt"_s);
        const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o);
        QCOMPARE(int(r.state), int(VideoState::Created));
        QCOMPARE(r.cuadros, 20);
        qInfo("%lld of 100 frames decoded", r.decoded);
        QVERIFY2(r.decoded < 90, qPrintable(QString::number(r.decoded)));
        const auto exact = videofixtures::readVideo(path, r.cells);
        QVERIFY(exact);
        orv::Movie m;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), m));
        for (int k = 0; k < m.numCuadros; ++k)
            QCOMPARE(m.frame(k).toByteArray(), greyLine(exact->grey[5 * k], r.cells, false, Dither::None));
    }

    // A clip cut in half imports what is there and says where it stops.
    void clipCutShort()
    {
        QList<QImage> frames;
        for (int i = 0; i < 100; ++i)
            frames << plain(QSize(48, 48), 2 * i);
        const QString whole = clip(u"entero.mkv"_s, frames);
        QFile f(whole);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
        f.close();
        VideoOptions o;
        o.columns = 24;
        const QString output = m_dir.filePath(u"mitad.ovt"_s);
        const VideoResult r = importVideo(orv::FileName::fromText(whole), orv::FileName::fromText(output), o);
        QCOMPARE(int(r.state), int(VideoState::Created));
        QVERIFY2(r.endsAt > 1 && r.endsAt < 3, qPrintable(QString::number(r.endsAt)));
        QVERIFY2(r.cuadros > 25 && r.cuadros < 75, qPrintable(QString::number(r.cuadros)));
        QCOMPARE(shortClipMessage(r.endsAt), u"el video termina en 0:0%1, antes de lo que indica su cabecera"_s.arg(int(r.endsAt)));
        orv::Movie m;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), m));
        QCOMPARE(int(m.numCuadros), r.cuadros);
    }

    // Starting near the end of a long clip decodes from the key frame before
    // the start, not from the clip's start.
    void fromSeeksInsteadOfDecodingEverything()
    {
        QList<QImage> frames;
        for (int i = 0; i < 400; ++i)
            frames << plain(QSize(48, 48), i % 250);
        const QString path = clip(u"largo.mkv"_s, frames); // 16 s, every frame a key frame
        VideoOptions o;
        o.columns = 24;
        o.from = 14;
        const QString output = m_dir.filePath(u"final.ovt"_s);
        const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o);
        QCOMPARE(int(r.state), int(VideoState::Created));
        QCOMPARE(r.cuadros, 50);
        QVERIFY2(r.decoded <= 60, qPrintable(QString::number(r.decoded)));
        orv::Movie m;
        QVERIFY(orv::cargaPelicula(orv::FileName::fromText(output), m));
        QCOMPARE(m.frame(0).toByteArray(), greyLine(QByteArray(24 * 12, char(350 % 250)), QSize(24, 12), false, Dither::None));
        // The movie keeps where in the clip it starts, for the clip's sound.
        QCOMPARE(orv::clipStart(m.masInfo), std::optional<double>(14));
    }

    // Gamma, contrast and brightness act before the 16 levels: the grey ramp
    // of 16 bands is lighter in the middle with gamma above 1, one level with
    // no contrast, all white with the brightness up, unchanged by default.
    void tonesBeforeTheLevels()
    {
        const QString path = clip(u"rampa-tonos.mkv"_s, {bands(4, 48)});
        const auto frameWith = [&](double gamma, double contrast, double brightness) {
            VideoOptions o;
            o.columns = 64;
            o.gamma = gamma;
            o.contrast = contrast;
            o.brightness = brightness;
            QSize cells;
            VideoState state = VideoState::Created;
            return firstFrame(orv::FileName::fromText(path), o, cells, state).value_or(QByteArray()).split('\n').first();
        };
        const QByteArray plainRamp = frameWith(1, 1, 0);
        QCOMPARE(plainRamp.size(), 64);
        const auto level = [](char c) { return int(darkToLightRamp().indexOf(c)); };
        const QByteArray lighter = frameWith(2.2, 1, 0);
        QVERIFY(level(lighter[30]) > level(plainRamp[30])); // band 7
        QCOMPARE(level(lighter[0]), 0);                     // black stays black
        QCOMPARE(level(lighter[63]), 15);                   // white stays white
        QCOMPARE(frameWith(1, 0, 0), QByteArray(64, plainRamp[32])); // all mid-grey
        QCOMPARE(frameWith(1, 1, 1), QByteArray(64, ' '));
        VideoOptions bad;
        bad.gamma = 0;
        const VideoResult r = importVideo(orv::FileName::fromText(path), orv::FileName::fromText(m_dir.filePath(u"no.ovt"_s)), bad);
        QCOMPARE(int(r.state), int(VideoState::InvalidTone));
    }

    void badInputWritesNothing_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a clip")
            << "text" << int(VideoState::NotVideo) << "El archivo no es un video";
        QTest::newRow("sound only")
            << "wav" << int(VideoState::NoVideo) << "El archivo no contiene video";
        QTest::newRow("a FIFO") << "fifo" << int(VideoState::NotVideo)
                                << "El archivo no es un video";
        QTest::newRow("range past the end")
            << "from" << int(VideoState::InvalidRange) << "El tramo pedido";
        QTest::newRow("cancelled") << "cancel" << int(VideoState::Cancelled) << "";
        // A pause of 300 digits would not play.
        QTest::newRow("a rate too slow")
            << "slow" << int(VideoState::InvalidFps)
            << "Los cuadros por segundo deben ser un número de 0.000001 a 120 (una pausa de 8.333 a "
               "1000000000 milisegundos).";
    }
    void badInputWritesNothing()
    {
        QFETCH(QString, what);
        QFETCH(int, state);
        QFETCH(QString, message);
        QString path = clip(u"bueno.mkv"_s, {plain(QSize(24, 24), 0), plain(QSize(24, 24), 99)});
        if (what == u"text" || what == u"wav") {
            path = m_dir.filePath(what);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(what == u"wav" ? wav() : QByteArray("no es un video\n"));
        } else if (what == u"fifo") {
            path = m_dir.filePath(u"fifo"_s);
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ||
                    QFile::exists(path));
        }
        VideoOptions o;
        o.columns = what == u"narrow" ? 11 : 24;
        o.from = what == u"from" ? 5 : (what == u"backwards" ? 0.06 : 0);
        o.to = what == u"backwards" ? 0.02 : -1;
        o.pausa = what == u"pause" ? u"zero"_s : QString();
        o.fps = what == u"slow" ? 1e-300 : 0;
        const QString output = m_dir.filePath(u"nothing.ovt"_s);
        QFile::remove(output);
        const VideoResult r =
            importVideo(orv::FileName::fromText(path), orv::FileName::fromText(output), o, [&](int, int) { return what != u"cancel"; });
        QCOMPARE(int(r.state), state);
        QVERIFY(!QFile::exists(output));
        QCOMPARE(videoMessage(r, orv::FileName::fromText(path)).left(message.size()), message);
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestVideo)
#include "test_video.moc"

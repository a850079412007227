// The MP4 and WebM exports, read back with FFmpeg's libraries: one stream,
// the codec, the even-padded size, one picture per run of alike frames,
// each at its time and for its length, and every picture within 30 dB of
// the renderer's own drawing.
#include "cellrenderer.h"
#include "exportfixtures.h"
#include "gifexport.h"
#include "moviereader.h"
#include "videoexport.h"
#include "videofixtures.h"

#include <QPainter>
#include <QtTest>

#include <sys/stat.h>

using exportfixtures::movie;
using orv::render::VideoFormat;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(VideoFormat)

namespace {

// Frame k as the Player's renderer draws it, padded to even sides with the
// background, as the export's pictures must look.
QImage drawing(const orv::Movie& p, int k, double points, const QColor& letters = Qt::black,
               const QColor& background = Qt::white)
{
    orv::render::CellRenderer renderer;
    QFont font = orv::render::gifFont(points);
    font.setStyleStrategy(QFont::NoAntialias);
    renderer.configure({font, 1, background, letters, background, letters});
    const int cw = renderer.cellWidth(), ch = renderer.cellHeight();
    const int w = p.ancho * cw, h = p.alto * ch;
    QImage image(w + (w & 1), h + (h & 1), QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    const QList<QByteArray> rows = orv::visibleFrame(p, k).split('\n');
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            painter.drawImage(c * cw, r * ch, renderer.cell(uchar(rows[r][c]), false));
    return image;
}

// Exports `p` at 8 points to `path`.
orv::ExportResult exportAt8(const orv::Movie& p, const QString& path, const orv::ExportOptions& o = {},
                            VideoFormat format = VideoFormat::Mp4)
{
    QString error;
    return orv::render::exportVideo(p, orv::FileName::fromText(path), orv::render::gifFont(8), o, format, &error);
}

} // namespace

class TestVideoExport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void readsBackFrameByFrame_data()
    {
        QTest::addColumn<VideoFormat>("format");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("points");
        QTest::newRow("mp4") << VideoFormat::Mp4 << u"h264"_s << 3 << 8.0;
        QTest::newRow("webm") << VideoFormat::WebM << u"vp9"_s << 3 << 8.0;
        // One row at 10 points is an odd number of pixels high.
        QTest::newRow("mp4, odd height padded") << VideoFormat::Mp4 << u"h264"_s << 1 << 10.0;
    }
    void readsBackFrameByFrame()
    {
        QFETCH(VideoFormat, format);
        QFETCH(QString, codec);
        QFETCH(int, rows);
        QFETCH(double, points);
        // Frames 1 and 2 look alike (a trailing blank is no ink): one picture.
        const orv::Movie p =
            movie(13, rows, 130,
                  {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ab", "#  #  #  #  # .:.:.:.:.:.:.",
                   "#  #  #  #  # .:.:.:.:.:.:. ", "0000000000000abcdefghijklmnopqrstuvwxyz"});
        const QString path = m_dir.filePath(format == VideoFormat::Mp4 ? u"m.mp4"_s : u"m.webm"_s);
        orv::ExportOptions o;
        QString error;
        QCOMPARE(orv::render::exportVideo(p, orv::FileName::fromText(path), orv::render::gifFont(points), o, format,
                                          &error),
                 orv::ExportResult::Done);
        const auto v = videofixtures::readVideo(path);
        QVERIFY(v);
        QCOMPARE(v->streams, 1);
        QCOMPARE(v->codec, codec);
        const QImage expected0 = drawing(p, 0, points);
        QCOMPARE(v->size, expected0.size());
        QVERIFY(v->size.width() % 2 == 0 && v->size.height() % 2 == 0);
        const int ms = orv::exportPause(p);
        // Each picture from its frame's time; the last one lasts to the end.
        QCOMPARE(v->timesMs, (QList<qint64>{0, ms, 3 * ms}));
        QCOMPARE(v->durationMs, 4 * ms);
        const QList<int> frameOf{0, 1, 3};
        for (int k = 0; k < 3; ++k) {
            const double db = videofixtures::psnr(drawing(p, frameOf[k], points), v->cuadros[k]);
            QVERIFY2(db >= 30, qPrintable(u"picture %1: %2 dB"_s.arg(k).arg(db)));
        }
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files),
                 QStringList());
    }

    // Only the cells that change are drawn again: single cells at the
    // edges and in the middle, a cell back to blank, on an odd-sized picture
    // whose 2 × 2 colour blocks straddle the cells. A cell left as it was
    // drawn before would cost any picture far more than 30 dB.
    void changedCellsRedrawn()
    {
        const QByteArray base = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abc";
        std::vector<QByteArray> frames{base};
        for (const int cell : {0, 12, 13, 19, 38, 25}) {
            QByteArray next = frames.back();
            next[cell] = next[cell] == '#' ? ' ' : '#';
            frames.push_back(next);
        }
        frames.push_back(frames.back().left(20)); // the last row goes blank
        const orv::Movie p = movie(13, 3, 100, frames);
        for (const VideoFormat format : {VideoFormat::Mp4, VideoFormat::WebM}) {
            const QString path = m_dir.filePath(format == VideoFormat::Mp4 ? u"celdas.mp4"_s : u"celdas.webm"_s);
            QCOMPARE(exportAt8(p, path, {}, format), orv::ExportResult::Done);
            const auto v = videofixtures::readVideo(path);
            QVERIFY(v);
            QCOMPARE(v->cuadros.size(), qsizetype(frames.size()));
            for (int k = 0; k < int(frames.size()); ++k) {
                const double db = videofixtures::psnr(drawing(p, k, 8), v->cuadros[k]);
                QVERIFY2(db >= 30, qPrintable(u"picture %1: %2 dB"_s.arg(k).arg(db)));
            }
        }
    }

    // A movie long enough to be cut into stretches encoded side by side:
    // every picture in its place and at its time across the seams, in light
    // letters on a dark background (grey: 2 × 2 colour blocks cost
    // saturated colours far more than letters). A cancel midway stops every
    // stretch and leaves nothing.
    void longMovieInStretches()
    {
        std::vector<QByteArray> frames;
        for (int i = 0; i < 620; ++i)
            frames.push_back(QByteArray::number(i).rightJustified(5, '0') + QByteArray(i % 8, ' ') + '#');
        const orv::Movie p = movie(13, 1, 40, frames);
        orv::ExportOptions o;
        o.letters = 0xE0E0E0;
        o.background = 0x202020;
        const QString path = m_dir.filePath(u"largo.mp4"_s);
        QCOMPARE(exportAt8(p, path, o), orv::ExportResult::Done);
        const auto v = videofixtures::readVideo(path);
        QVERIFY(v);
        QCOMPARE(v->cuadros.size(), qsizetype(frames.size()));
        QCOMPARE(v->durationMs, 620 * 40);
        for (int k = 0; k < int(frames.size()); ++k) {
            QCOMPARE(v->timesMs.at(k), 40 * k);
            const double db = videofixtures::psnr(drawing(p, k, 8, QColor(0xE0E0E0), QColor(0x202020)), v->cuadros[k]);
            QVERIFY2(db >= 30, qPrintable(u"picture %1: %2 dB"_s.arg(k).arg(db)));
        }

        const QString cancelled = m_dir.filePath(u"cancelado.mp4"_s);
        o.progress = [](int done, int) { return done < 300; };
        QCOMPARE(exportAt8(p, cancelled, o), orv::ExportResult::Cancelled);
        QVERIFY(!QFile::exists(cancelled));
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }

    // A fractional pause: each picture starts at the sum of the pauses
    // before it, and the whole lasts numCuadros × pausa within 1 ms.
    void fractionalPausesDoNotDrift()
    {
        std::vector<QByteArray> frames;
        for (int i = 0; i < 90; ++i)
            frames.push_back(i % 2 ? "ab" : "ba");
        const orv::Movie p = movie(2, 1, 33.333, frames);
        const QString path = m_dir.filePath(u"fraccion.mp4"_s);
        QCOMPARE(exportAt8(p, path), orv::ExportResult::Done);
        const auto v = videofixtures::readVideo(path);
        QVERIFY(v);
        QCOMPARE(v->durationMs, 3000); // 2999.97
        QCOMPARE(v->timesMs.size(), 90);
        QCOMPARE(v->timesMs.at(45), 1500); // 1499.985
        QCOMPARE(v->timesMs.at(89), 2967); // 2966.637
    }

    // The sound of another file under the pictures, from a moment of it, cut
    // to the movie's length: encoded from PCM (AAC in MP4, Opus in WebM),
    // copied from AAC; a file with no sound, or a moment past its end, is
    // refused and leaves nothing.
    void soundUnderThePictures()
    {
        const QString tone = m_dir.filePath(u"tono.wav"_s);
        QVERIFY(videofixtures::writeTone(tone, 3));

        const orv::Movie p = movie(4, 1, 100, std::vector<QByteArray>(15, "ab")); // 1.5 s
        const auto exportWith = [&](const QString& name, VideoFormat format, const QString& sound, double from) {
            orv::ExportOptions o;
            o.sound = orv::FileName::fromText(sound);
            o.soundFrom = from;
            QString error;
            const orv::ExportResult r = orv::render::exportVideo(p, orv::FileName::fromText(m_dir.filePath(name)),
                                                                 orv::render::gifFont(8), o, format, &error);
            return std::make_pair(r, error);
        };
        QCOMPARE(exportWith(u"s.mp4"_s, VideoFormat::Mp4, tone, 0.5).first, orv::ExportResult::Done);
        auto v = videofixtures::readVideo(m_dir.filePath(u"s.mp4"_s));
        QVERIFY(v);
        QCOMPARE(v->streams, 2);
        QCOMPARE(v->audioCodec, u"aac"_s);
        QVERIFY2(std::abs(v->audioMs - 1500) <= 25, qPrintable(QString::number(v->audioMs)));

        QCOMPARE(exportWith(u"s.webm"_s, VideoFormat::WebM, tone, 0).first, orv::ExportResult::Done);
        v = videofixtures::readVideo(m_dir.filePath(u"s.webm"_s));
        QVERIFY(v);
        QCOMPARE(v->audioCodec, u"opus"_s);
        QVERIFY2(std::abs(v->audioMs - 1500) <= 25, qPrintable(QString::number(v->audioMs)));

        // The AAC of the first export, copied as it is.
        QCOMPARE(exportWith(u"copia.mp4"_s, VideoFormat::Mp4, m_dir.filePath(u"s.mp4"_s), 0).first,
                 orv::ExportResult::Done);
        v = videofixtures::readVideo(m_dir.filePath(u"copia.mp4"_s));
        QVERIFY(v);
        QCOMPARE(v->audioCodec, u"aac"_s);
        QVERIFY2(std::abs(v->audioMs - 1500) <= 50, qPrintable(QString::number(v->audioMs)));

        const auto noSound = exportWith(u"no.mp4"_s, VideoFormat::Mp4, m_dir.filePath(u"s.webm"_s) + u"x"_s, 0);
        QCOMPARE(noSound.first, orv::ExportResult::Fault);
        QVERIFY2(noSound.second.startsWith(u"el archivo no tiene sonido que se pueda leer"_s), qPrintable(noSound.second));
        // A FIFO would be read forever: refused at once.
        const QString fifo = m_dir.filePath(u"sonido.fifo"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const auto fromFifo = exportWith(u"no.mp4"_s, VideoFormat::Mp4, fifo, 0);
        QCOMPARE(fromFifo.first, orv::ExportResult::Fault);
        QVERIFY2(fromFifo.second.startsWith(u"el archivo no tiene sonido que se pueda leer"_s), qPrintable(fromFifo.second));
        const auto pastTheEnd = exportWith(u"no.mp4"_s, VideoFormat::Mp4, tone, 5);
        QCOMPARE(pastTheEnd.first, orv::ExportResult::Fault);
        QVERIFY2(pastTheEnd.second.contains(u"dura 0:03"_s), qPrintable(pastTheEnd.second));
        QVERIFY(!QFile::exists(m_dir.filePath(u"no.mp4"_s)));
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }

    // A cancel or a movie too large leaves no file.
    void failuresLeaveNoFile()
    {
        const orv::Movie p = movie(13, 3, 100, {"abc", "def"});
        const QString path = m_dir.filePath(u"c.mp4"_s);
        orv::ExportOptions o;
        o.progress = [](int, int) { return false; };
        QCOMPARE(exportAt8(p, path, o), orv::ExportResult::Cancelled);
        QVERIFY(!QFile::exists(path));
        const orv::Movie wide = movie(400, 400, 100, {"x"});
        QString error;
        QCOMPARE(orv::render::exportVideo(wide, orv::FileName::fromText(path), orv::render::gifFont(40), {},
                                          VideoFormat::Mp4, &error),
                 orv::ExportResult::Fault);
        QVERIFY(error.startsWith(u"La película no cabe en un video"_s));
        // The size it names does fit.
        const QString fits = error.section(u"Elija una letra de "_s, 1).section(u' ', 0, 0);
        QVERIFY2(fits.toInt() > 0, qPrintable(error));
        QCOMPARE(orv::render::exportVideo(wide, orv::FileName::fromText(path), orv::render::gifFont(fits.toInt()), o,
                                          VideoFormat::Mp4, &error),
                 orv::ExportResult::Cancelled);
        QCOMPARE(orv::render::exportVideo(wide, orv::FileName::fromText(path), orv::render::gifFont(fits.toInt() + 1), o,
                                          VideoFormat::Mp4, &error),
                 orv::ExportResult::Fault);
        QVERIFY(!QFile::exists(path));
        // WebM's encoder needs far more memory a pixel: a picture that H.264
        // takes is refused before any work, naming a size it takes.
        const QString webm = m_dir.filePath(u"c.webm"_s);
        QCOMPARE(orv::render::exportVideo(wide, orv::FileName::fromText(webm), orv::render::gifFont(8), {},
                                          VideoFormat::WebM, &error),
                 orv::ExportResult::Fault);
        QVERIFY2(error.startsWith(u"La película es demasiado grande para un video WebM: 2800 × 4800 píxeles"_s),
                 qPrintable(error));
        const int webmFits = error.section(u"Elija una letra de "_s, 1).section(u' ', 0, 0).toInt();
        QVERIFY2(webmFits > 0 && webmFits < 8, qPrintable(error));
        QCOMPARE(orv::render::exportVideo(wide, orv::FileName::fromText(webm), orv::render::gifFont(webmFits), o,
                                          VideoFormat::WebM, &error),
                 orv::ExportResult::Cancelled);
        QVERIFY(!QFile::exists(webm));
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files),
                 QStringList());
    }
};

QTEST_MAIN(TestVideoExport)
#include "test_videoexport.moc"

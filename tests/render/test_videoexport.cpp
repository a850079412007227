// The MP4 and WebM exports, read back with FFmpeg's libraries: one stream,
// the codec, the even-padded size, one picture per run of alike frames,
// each at its time and for its length, and every picture within 35 dB of
// the renderer's own drawing.
#include "exportfixtures.h"
#include "gifexport.h"
#include "lienzo.h"
#include "moviereader.h"
#include "videoexport.h"
#include "videofixtures.h"

#include <QPainter>
#include <QtTest>

using exportfixtures::movie;
using orv::render::FormatoVideo;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FormatoVideo)

namespace {

// Frame k as the Player's renderer draws it, padded to even sides with the
// background, as the export's pictures must look.
QImage dibujo(const orv::Pelicula& p, int k, double puntos)
{
    orv::render::Lienzo lienzo;
    QFont fuente = orv::render::fuenteGif(puntos);
    fuente.setStyleStrategy(QFont::NoAntialias);
    lienzo.configura({fuente, 1, Qt::white, Qt::black, Qt::white, Qt::black});
    const int cw = lienzo.anchoCelda(), ch = lienzo.altoCelda();
    const int w = p.ancho * cw, h = p.alto * ch;
    QImage img(w + (w & 1), h + (h & 1), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    const QList<QByteArray> filas = orv::cuadroVisible(p, k).split('\n');
    for (int r = 0; r < filas.size(); ++r)
        for (int c = 0; c < filas[r].size(); ++c)
            painter.drawImage(c * cw, r * ch, lienzo.celda(uchar(filas[r][c]), false));
    return img;
}

} // namespace

class TestVideoExport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void readsBackFrameByFrame_data()
    {
        QTest::addColumn<FormatoVideo>("formato");
        QTest::addColumn<QString>("codec");
        QTest::newRow("mp4") << FormatoVideo::Mp4 << u"h264"_s;
        QTest::newRow("webm") << FormatoVideo::WebM << u"vp9"_s;
    }
    void readsBackFrameByFrame()
    {
        QFETCH(FormatoVideo, formato);
        QFETCH(QString, codec);
        // Frames 1 and 2 look alike (a trailing blank is no ink): one picture.
        const orv::Pelicula p = movie(13, 3, 130,
                                      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ab", "#  #  #  #  # .:.:.:.:.:.:.",
                                       "#  #  #  #  # .:.:.:.:.:.:. ", "0000000000000abcdefghijklmnopqrstuvwxyz"});
        const QString ruta = m_dir.filePath(formato == FormatoVideo::Mp4 ? u"m.mp4"_s : u"m.webm"_s);
        orv::OpcionesExport o;
        QString error;
        QCOMPARE(orv::render::exportaVideo(p, ruta, orv::render::fuenteGif(8), o, formato, &error),
                 orv::ResultadoExport::Hecho);
        const auto v = videofixtures::leeVideo(ruta);
        QVERIFY(v);
        QCOMPARE(v->flujos, 1);
        QCOMPARE(v->codec, codec);
        const QImage esperado0 = dibujo(p, 0, 8);
        QCOMPARE(v->tamano, esperado0.size());
        QVERIFY(v->tamano.width() % 2 == 0 && v->tamano.height() % 2 == 0);
        const int ms = orv::pausaExport(p);
        // Each picture from its frame's time; the last one lasts to the end.
        QCOMPARE(v->tiemposMs, (QList<qint64>{0, ms, 3 * ms}));
        QCOMPARE(v->duracionMs, 4 * ms);
        const QList<int> cuadroDe{0, 1, 3};
        for (int k = 0; k < 3; ++k) {
            const double db = videofixtures::psnr(dibujo(p, cuadroDe[k], 8), v->cuadros[k]);
            QVERIFY2(db >= 35, qPrintable(u"picture %1: %2 dB"_s.arg(k).arg(db)));
        }
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }

    // A cancel or a movie too large leaves no file.
    void failuresLeaveNoFile()
    {
        const orv::Pelicula p = movie(13, 3, 100, {"abc", "def"});
        const QString ruta = m_dir.filePath(u"c.mp4"_s);
        orv::OpcionesExport o;
        o.progreso = [](int, int) { return false; };
        QCOMPARE(orv::render::exportaVideo(p, ruta, orv::render::fuenteGif(8), o, FormatoVideo::Mp4),
                 orv::ResultadoExport::Cancelado);
        QVERIFY(!QFile::exists(ruta));
        const orv::Pelicula ancha = movie(400, 400, 100, {"x"});
        QString error;
        QCOMPARE(orv::render::exportaVideo(ancha, ruta, orv::render::fuenteGif(40), {}, FormatoVideo::Mp4, &error),
                 orv::ResultadoExport::Fallo);
        QVERIFY(error.startsWith(u"La película no cabe en un video"_s));
        QVERIFY(!QFile::exists(ruta));
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }

};

QTEST_MAIN(TestVideoExport)
#include "test_videoexport.moc"

// The MP4 and WebM exports, read back with FFmpeg's libraries: one stream,
// the codec, the even-padded size, one picture per run of alike frames,
// each at its time and for its length, and every picture within 35 dB of
// the renderer's own drawing; the WebM is played to its end in a browser;
// and a movie taken to video and back keeps its light and dark cells.
#include "exportfixtures.h"
#include "gifexport.h"
#include "importacion.h"
#include "lienzo.h"
#include "moviereader.h"
#include "videoexport.h"
#include "videofixtures.h"

#include <QPainter>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
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
    orv::player::Lienzo lienzo;
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

// Serves one page and one video over HTTP, and keeps what the page reports
// at /fin?... (a page opened from a file could not report anything).
class Servidor : public QTcpServer
{
public:
    QByteArray pagina, video, informe;

    Servidor()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray pedido = s->readAll();
                    const QByteArray ruta = pedido.split(' ').value(1);
                    QByteArray cuerpo = "", tipo = "text/plain";
                    if (ruta == "/") {
                        cuerpo = pagina;
                        tipo = "text/html";
                    } else if (ruta == "/v.webm") {
                        cuerpo = video;
                        tipo = "video/webm";
                    } else if (ruta.startsWith("/fin")) {
                        informe = QByteArray::fromPercentEncoding(ruta.mid(5));
                    }
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: " + tipo + "\r\nContent-Length: "
                             + QByteArray::number(cuerpo.size()) + "\r\nConnection: close\r\n\r\n" + cuerpo);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
};

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

    // Exported to MP4 and imported back at the same width: every cell keeps
    // whether it is light or dark. Blocks of cells, so that the different
    // shape of a character cell and two pixel rows does not matter.
    void roundTripKeepsLightAndDark()
    {
        QByteArray a, b;
        for (int r = 0; r < 24; ++r)
            for (int c = 0; c < 24; ++c) {
                a += (c < 12) == (r < 12) ? '#' : ' ';
                b += (c < 12) != (r < 12) ? '#' : ' ';
            }
        const orv::Pelicula p = movie(24, 24, 100, {a, b});
        const QString video = m_dir.filePath(u"ida.mp4"_s);
        QCOMPARE(orv::render::exportaVideo(p, video, orv::render::fuenteGif(4), {}, FormatoVideo::Mp4),
                 orv::ResultadoExport::Hecho);
        orv::video::OpcionesVideo o;
        o.columnas = 24;
        const QString vuelta = m_dir.filePath(u"vuelta.ovt"_s);
        const auto r = orv::video::importaVideo(video, vuelta, o);
        QCOMPARE(r.estado, orv::video::EstadoVideo::Creada);
        orv::Pelicula q;
        QVERIFY(orv::cargaPelicula(vuelta, q));
        QCOMPARE(q.numCuadros, 2);
        QCOMPARE(q.ancho, 24);
        for (int k = 0; k < 2; ++k) {
            const QByteArray antes = k == 0 ? a : b;
            const QByteArray despues = q.cuadro(k).toByteArray();
            for (int fila = 0; fila < q.alto; ++fila) {
                // The row of the original that covers the middle of this one.
                const int origen = (2 * fila + 1) * 24 / (2 * q.alto);
                if (origen == 11 || origen == 12)
                    continue; // the border between blocks
                for (int c = 0; c < 24; ++c) {
                    if (c == 11 || c == 12)
                        continue;
                    // A light cell comes back blank, a dark one with ink.
                    const bool oscuro = antes[origen * 24 + c] == '#';
                    const char ch = despues[fila * 24 + c];
                    QVERIFY2(oscuro == (ch != ' '),
                             qPrintable(u"frame %1 row %2 column %3: '%4'"_s.arg(k).arg(fila).arg(c).arg(QChar(ch))));
                }
            }
        }
    }

    // The WebM plays to its end in a browser, its time going forward.
    void webmPlaysInABrowser()
    {
        const QString navegador = QStandardPaths::findExecutable(u"chromium"_s);
        if (navegador.isEmpty())
            QSKIP("chromium is not installed: the video is not tried in a browser (apt-get install chromium)");
        const orv::Pelicula p = movie(13, 3, 150, {"abc", "def", "ghi", "jkl"});
        const QString ruta = m_dir.filePath(u"b.webm"_s);
        QCOMPARE(orv::render::exportaVideo(p, ruta, orv::render::fuenteGif(8), {}, FormatoVideo::WebM),
                 orv::ResultadoExport::Hecho);
        Servidor servidor;
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::ReadOnly));
        servidor.video = f.readAll();
        servidor.pagina =
            "<!DOCTYPE html><video id=v src=\"/v.webm\" muted autoplay></video><script>"
            "var v = document.getElementById('v'), t = 0;"
            "v.addEventListener('timeupdate', function () { t = Math.max(t, v.currentTime); });"
            "function informa(s) { fetch('/fin?' + encodeURIComponent(s)); }"
            "v.addEventListener('ended', function () { informa('ended ' + t.toFixed(2) + ' ' + v.duration.toFixed(2)); });"
            "v.addEventListener('error', function () { informa('error ' + v.error.code); });"
            "</script>";
        QVERIFY(servidor.listen(QHostAddress::LocalHost));
        QProcess chromium;
        chromium.start(navegador, {u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
                                   u"--autoplay-policy=no-user-gesture-required"_s,
                                   u"--user-data-dir="_s + m_dir.filePath(u"perfil"_s),
                                   u"http://127.0.0.1:%1/"_s.arg(servidor.serverPort())});
        QTRY_VERIFY_WITH_TIMEOUT(!servidor.informe.isEmpty(), 60000);
        chromium.kill();
        chromium.waitForFinished();
        const QList<QByteArray> partes = servidor.informe.split(' ');
        QCOMPARE(partes.value(0), QByteArray("ended"));
        // Four frames of 150 ms: time went past the third, and the length is 0.6 s.
        QVERIFY2(partes.value(1).toDouble() >= 0.45, servidor.informe.constData());
        QCOMPARE(partes.value(2), QByteArray("0.60"));
    }
};

QTEST_MAIN(TestVideoExport)
#include "test_videoexport.moc"

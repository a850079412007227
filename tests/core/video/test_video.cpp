// Clips to movies: which frames are sampled, the grid a clip becomes, grey
// levels to characters, and whole imports of clips made here (a grey ramp,
// a moving bar, odd sizes, one frame, an animated GIF with uneven delays),
// checked cell by cell; bad input writes nothing.
#include "imagefixtures.h"
#include "importacion.h"
#include "moviereader.h"
#include "tonos.h"
#include "videofixtures.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <sys/stat.h>

using namespace orv::video;
using namespace Qt::StringLiterals;
using videofixtures::Clase;

Q_DECLARE_METATYPE(std::vector<double>)
Q_DECLARE_METATYPE(std::vector<int>)

namespace {

// The ramp from black to white: level L is rampaCaracteres[15 - L].
QByteArray rampaOscuroAClaro()
{
    QByteArray r;
    for (int nivel = 0; nivel < 16; ++nivel)
        r += orv::rampaCaracteres[size_t(15 - nivel)];
    return r;
}

// A picture of 16 vertical bands, level 0 (black) to 15 (white), each
// `ancho` pixels wide.
QImage bandas(int ancho, int alto)
{
    QImage img(16 * ancho, alto, QImage::Format_Grayscale8);
    for (int y = 0; y < alto; ++y)
        for (int x = 0; x < img.width(); ++x)
            img.scanLine(y)[x] = uchar(x / ancho * 17);
    return img;
}

QImage liso(QSize tamano, int gris)
{
    QImage img(tamano, QImage::Format_Grayscale8);
    img.fill(qRgb(gris, gris, gris));
    return img;
}

// A minimal WAV file: sound, no picture.
QByteArray wav()
{
    QByteArray d("RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00"
                 "\x02\x00\x10\x00" "data" "\x08\x00\x00\x00",
                 44);
    return d + QByteArray(8, '\0');
}

} // namespace

class TestVideo : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString clip(const QString& nombre, const QList<QImage>& cuadros, Clase clase = Clase::GrisSinPerdida,
                 const QList<int>& tiempos = {})
    {
        const QString ruta = m_dir.filePath(nombre);
        if (!videofixtures::escribeClip(ruta, cuadros, clase, tiempos))
            qWarning("the clip %s could not be made", qPrintable(nombre));
        return ruta;
    }

private slots:
    // Each sample shows the last frame begun by its time.
    void sampling_data()
    {
        QTest::addColumn<std::vector<double>>("tiempos");
        QTest::addColumn<double>("fin");
        QTest::addColumn<double>("desde");
        QTest::addColumn<double>("hasta");
        QTest::addColumn<double>("fps");
        QTest::addColumn<std::vector<int>>("esperado");
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
    }
    void sampling()
    {
        QFETCH(std::vector<double>, tiempos);
        QFETCH(double, fin);
        QFETCH(double, desde);
        QFETCH(double, hasta);
        QFETCH(double, fps);
        QFETCH(std::vector<int>, esperado);
        QCOMPARE(plan(tiempos, fin, desde, hasta, fps), esperado);
    }

    void grid_data()
    {
        QTest::addColumn<int>("columnas");
        QTest::addColumn<QSize>("visible");
        QTest::addColumn<QSize>("esperada"); // empty: refused
        QTest::newRow("4:3 at 80") << 80 << QSize(320, 240) << QSize(80, 30);
        QTest::newRow("too tall: narrowed") << 160 << QSize(100, 1000) << QSize(80, 400);
        QTest::newRow("too wide for 12 rows") << 20 << QSize(1000, 100) << QSize();
        QTest::newRow("11 columns") << 11 << QSize(100, 100) << QSize();
        QTest::newRow("400 columns") << 400 << QSize(400, 600) << QSize(400, 300);
        QTest::newRow("400 columns, too tall") << 400 << QSize(400, 1200) << QSize(266, 399);
    }
    void grid()
    {
        QFETCH(int, columnas);
        QFETCH(QSize, visible);
        QFETCH(QSize, esperada);
        QCOMPARE(rejilla(columnas, visible).value_or(QSize()), esperada);
    }

    void greyLevelsToCharacters()
    {
        QByteArray gris;
        for (int nivel = 0; nivel < 16; ++nivel)
            gris += char(nivel * 17);
        QCOMPARE(lineaDeGris(gris, QSize(16, 1), false, Tramado::Ninguno), rampaOscuroAClaro());
        QByteArray invertida = rampaOscuroAClaro();
        std::reverse(invertida.begin(), invertida.end());
        QCOMPARE(lineaDeGris(gris, QSize(16, 1), true, Tramado::Ninguno), invertida);
        QCOMPARE(lineaDeGris(gris, QSize(16, 1), false, Tramado::Ordenado), rampaOscuroAClaro());
        // Half way between two levels: plain rounding gives one character,
        // the dither a mix of the two, half and half.
        const QByteArray medio(16, char(8 * 17 + 8));
        QCOMPARE(lineaDeGris(medio, QSize(4, 4), false, Tramado::Ninguno), QByteArray(16, orv::rampaCaracteres[7]));
        const QByteArray mezcla = lineaDeGris(medio, QSize(4, 4), false, Tramado::Ordenado);
        QCOMPARE(mezcla.count(orv::rampaCaracteres[6]), 8);
        QCOMPARE(mezcla.count(orv::rampaCaracteres[7]), 8);
        QCOMPARE(pausaPara(25), u"40"_s);
        QCOMPARE(pausaPara(30), u"33.333"_s);
        QCOMPARE(pausaPara(24), u"41.667"_s);
        QCOMPARE(leeTiempo(u"75"_s), std::optional<double>(75));
        QCOMPARE(leeTiempo(u"1:15.5"_s), std::optional<double>(75.5));
        QCOMPARE(leeTiempo(u"01:02:03"_s), std::optional<double>(3723));
        for (const QString& malo : {u""_s, u"1:75"_s, u"1.5:10"_s, u"-3"_s, u"a:b"_s, u"1:2:3:4"_s})
            QVERIFY2(!leeTiempo(malo), qPrintable(malo));
    }

    // Whole imports, every cell of every frame checked.
    void imports()
    {
        // A grey ramp kept exactly, and through H.264: the 16 levels give the
        // 16 characters in order on every row.
        for (Clase clase : {Clase::GrisSinPerdida, Clase::H264}) {
            const QString ruta = clip(clase == Clase::H264 ? u"rampa.mp4"_s : u"rampa.mkv"_s,
                                      {bandas(4, 96), bandas(4, 96)}, clase);
            OpcionesVideo o;
            o.columnas = 16;
            const QString salida = m_dir.filePath(u"rampa.ovt"_s);
            const ResultadoVideo r = importaVideo(ruta, salida, o);
            QCOMPARE(r.estado, EstadoVideo::Creada);
            orv::Pelicula p;
            QVERIFY(orv::cargaPelicula(salida, p));
            QCOMPARE(p.ancho, 16);
            QCOMPARE(p.alto, 12);
            QCOMPARE(p.numCuadros, 2);
            QCOMPARE(p.pausa, 40.0);
            QCOMPARE(p.cuadro(1).toByteArray(), rampaOscuroAClaro().repeated(12));
        }

        // A black bar moving one pixel, so one column, a frame.
        QList<QImage> barra;
        for (int k = 0; k < 10; ++k) {
            QImage img = liso(QSize(32, 24), 255);
            for (int y = 0; y < 24; ++y)
                img.scanLine(y)[5 + k] = 0;
            barra << img;
        }
        OpcionesVideo o;
        o.columnas = 32;
        o.creador = u"Ana"_s;
        const QString salida = m_dir.filePath(u"barra.ovt"_s);
        QCOMPARE(importaVideo(clip(u"barra.mkv"_s, barra), salida, o).estado, EstadoVideo::Creada);
        orv::Pelicula p;
        QVERIFY(orv::cargaPelicula(salida, p));
        QCOMPARE(p.numCuadros, 10);
        QCOMPARE(p.creador, QByteArray("Ana"));
        for (int k = 0; k < 10; ++k) {
            QByteArray fila(32, ' ');
            fila[5 + k] = '#';
            QCOMPARE(p.cuadro(k).toByteArray(), fila.repeated(12));
        }

        // An animated GIF with uneven delays, sampled 10 times a second.
        const QString gif = m_dir.filePath(u"a.gif"_s);
        QVERIFY(imagefixtures::escribeGif(
            gif, {liso(QSize(24, 24), 0).convertToFormat(QImage::Format_RGB32),
                  liso(QSize(24, 24), 255).convertToFormat(QImage::Format_RGB32),
                  liso(QSize(24, 24), 0).convertToFormat(QImage::Format_RGB32)},
            -1, {10, 30, 20}));
        OpcionesVideo g;
        g.columnas = 24;
        g.fps = 10;
        QCOMPARE(importaVideo(gif, salida, g).estado, EstadoVideo::Creada);
        QVERIFY(orv::cargaPelicula(salida, p));
        QByteArray visto;
        for (int k = 0; k < p.numCuadros; ++k)
            visto += p.cuadro(k).at(0);
        QCOMPARE(visto, QByteArray("#   ##"));

        // Odd sizes and a clip of one frame.
        QImage raro = liso(QSize(37, 51), 0);
        OpcionesVideo r;
        r.columnas = 24;
        const ResultadoVideo uno = importaVideo(clip(u"raro.mkv"_s, {raro}), salida, r);
        QCOMPARE(uno.estado, EstadoVideo::Creada);
        QCOMPARE(uno.celdas, QSize(24, 17));
        QVERIFY(orv::cargaPelicula(salida, p));
        QCOMPARE(p.numCuadros, 1);
        QCOMPARE(p.cuadro(0).toByteArray(), QByteArray(24 * 17, '#'));
    }

    // A range past the movie format's 32,766 frames is cut there.
    void longClipIsCut()
    {
        OpcionesVideo o;
        o.columnas = 12;
        o.fps = 60;
        const QString salida = m_dir.filePath(u"larga.ovt"_s);
        const ResultadoVideo r = importaVideo(clip(u"larga.mkv"_s, {liso(QSize(12, 24), 0), liso(QSize(12, 24), 255)},
                                                   Clase::GrisSinPerdida, {0, 600000}),
                                              salida, o);
        QCOMPARE(r.estado, EstadoVideo::Creada);
        QVERIFY(r.recortada);
        orv::Pelicula p;
        QVERIFY(orv::cargaPelicula(salida, p));
        QCOMPARE(p.numCuadros, kCuadrosMaximos);
    }

    // A full disk fails the import with the system's own reason, and leaves
    // nothing behind.
    void fullDiskSaysWhy()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"lleno"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"lleno"_s));
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, destino}) != 0)
            QSKIP("a small tmpfs could not be mounted (it needs root): the full disk is not tried");
        const auto desmonta = qScopeGuard([&] { QProcess::execute(u"umount"_s, {destino}); });
        OpcionesVideo o;
        o.columnas = 12;
        o.fps = 30; // 1,800 frames, 260 KB
        const ResultadoVideo r = importaVideo(
            clip(u"lleno.mkv"_s, {liso(QSize(12, 24), 0), liso(QSize(12, 24), 255)}, Clase::GrisSinPerdida, {0, 60000}),
            destino + u"/v.ovt"_s, o);
        QCOMPARE(r.estado, EstadoVideo::ErrorEscritura);
        QCOMPARE(mensajeVideo(r, {}), u"No se pudo escribir la película: No space left on device"_s);
        QCOMPARE(QDir(destino).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Bad input, or a cancel, leaves nothing, and the message says why.
    void badInputWritesNothing_data()
    {
        QTest::addColumn<QString>("que");
        QTest::addColumn<int>("estado");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("not a clip") << "texto" << int(EstadoVideo::NoEsVideo) << "El archivo no es un video";
        QTest::newRow("sound only") << "wav" << int(EstadoVideo::SinVideo) << "El archivo no contiene video";
        QTest::newRow("a FIFO") << "fifo" << int(EstadoVideo::NoEsVideo) << "El archivo no es un video";
        QTest::newRow("range past the end") << "desde" << int(EstadoVideo::RangoInvalido) << "El tramo pedido";
        QTest::newRow("cancelled") << "cancela" << int(EstadoVideo::Cancelada) << "";
    }
    void badInputWritesNothing()
    {
        QFETCH(QString, que);
        QFETCH(int, estado);
        QFETCH(QString, mensaje);
        QString ruta = clip(u"bueno.mkv"_s, {liso(QSize(24, 24), 0), liso(QSize(24, 24), 99)});
        if (que == u"texto" || que == u"wav") {
            ruta = m_dir.filePath(que);
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(que == u"wav" ? wav() : QByteArray("no es un video\n"));
        } else if (que == u"fifo") {
            ruta = m_dir.filePath(u"fifo"_s);
            QVERIFY(::mkfifo(QFile::encodeName(ruta).constData(), 0600) == 0 || QFile::exists(ruta));
        }
        OpcionesVideo o;
        o.columnas = que == u"angosto" ? 11 : 24;
        o.desde = que == u"desde" ? 5 : (que == u"alreves" ? 0.06 : 0);
        o.hasta = que == u"alreves" ? 0.02 : -1;
        o.pausa = que == u"pausa" ? u"cero"_s : QString();
        const QString salida = m_dir.filePath(u"nada.ovt"_s);
        QFile::remove(salida);
        const ResultadoVideo r = importaVideo(ruta, salida, o, [&](int, int) { return que != u"cancela"; });
        QCOMPARE(int(r.estado), estado);
        QVERIFY(!QFile::exists(salida));
        QCOMPARE(mensajeVideo(r, ruta).left(mensaje.size()), mensaje);
        QCOMPARE(QDir(m_dir.path()).entryList({u".*orvtmp*"_s}, QDir::Hidden | QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestVideo)
#include "test_video.moc"

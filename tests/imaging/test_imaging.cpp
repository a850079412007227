#include "adelantado.h"
#include "childprocess.h"
#include "decodifica.h"
#include "generacion.h"
#include "imagefixtures.h"
#include "imagenqt.h"
#include "metarchivo.h"
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

struct Muestra
{
    QPoint punto;
    QRgb color;
};

// A picture of four colour quadrants; decoders must give back each one.
QImage cuadrantes(int w, int h, QRgb a = qRgb(255, 0, 0), QRgb b = qRgb(0, 0, 255))
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (x < w / 2) == (y < h / 2) ? a : b);
    return img;
}

QList<Muestra> muestrasCuadrantes(int w, int h, QRgb a = qRgb(255, 0, 0), QRgb b = qRgb(0, 0, 255))
{
    return {{{1, 1}, a}, {{w - 2, 1}, b}, {{1, h - 2}, b}, {{w - 2, h - 2}, a}};
}

QByteArray guarda(const QImage& img, const char* formato, int calidad = -1)
{
    QByteArray datos;
    QBuffer b(&datos);
    b.open(QIODevice::WriteOnly);
    img.save(&b, formato, calidad);
    return datos;
}

// A memory figure of this process from /proc/self/status, in bytes:
// "VmSize:" (its address space, as RLIMIT_AS counts it), "VmRSS:", "VmHWM:".
qint64 memoria(const char* campo)
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& linea : estado.readAll().split('\n'))
        if (linea.startsWith(campo))
            return linea.mid(qsizetype(std::strlen(campo))).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

qint64 memoriaVirtual() { return memoria("VmSize:"); }

bool parecido(QRgb a, QRgb b, int tolerancia)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerancia &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerancia &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerancia;
}

// A valid 40 x 30 EMF with `registro` put before its end-of-file record,
// the header's byte and record counts kept right.
QByteArray conRegistro(const QByteArray& registro)
{
    QByteArray e = imagefixtures::emf(40, 30, {});
    e.insert(e.size() - 20, registro);
    const quint32 bytes = quint32(e.size());
    std::memcpy(e.data() + 48, &bytes, 4);
    quint32 registros = 0;
    std::memcpy(&registros, e.constData() + 52, 4);
    ++registros;
    std::memcpy(e.data() + 52, &registros, 4);
    return e;
}

QImage conTransparencia(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = h / 2; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(0, 128, 0));
    return img;
}

} // namespace

class TestImaging : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::optional<QImage> decodifica(const QByteArray& datos, const QString& nombre)
    {
        const QString ruta = m_dir.filePath(nombre);
        if (!escribe(ruta, datos))
            return std::nullopt;
        return decodificaImagen(ruta);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Every kind, each from a file made here: size and colours come back.
    // Raster kinds are told by their content, so .dib and .jpeg take the
    // .bmp and .jpg rows' path.
    void kinds_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QSize>("tamano");
        QTest::addColumn<QList<Muestra>>("muestras");
        QTest::addColumn<int>("tolerancia");

        const QImage q = cuadrantes(24, 18);
        QTest::newRow("bmp") << "a.bmp" << guarda(q, "bmp") << QSize(24, 18)
                             << muestrasCuadrantes(24, 18) << 0;
        QTest::newRow("jpg") << "a.jpg" << guarda(cuadrantes(32, 32), "jpg", 100) << QSize(32, 32)
                             << muestrasCuadrantes(32, 32) << 24;

        // GIF: the first frame of several, transparent pixels white; (1,2,3)
        // is the first colour met, so palette index 0.
        QImage primero = cuadrantes(20, 10, qRgb(255, 0, 0), qRgb(0, 0, 0));
        primero.setPixel(0, 0, qRgb(1, 2, 3));
        const QString gif = m_dir.filePath(QStringLiteral("origen.gif"));
        QVERIFY(escribeGif(gif, {primero, cuadrantes(20, 10, qRgb(0, 255, 0), qRgb(0, 0, 0))}, 0));
        QTest::newRow("gif, first frame") << "a.gif" << readFile(gif) << QSize(20, 10)
                                          << QList<Muestra>{{{0, 0}, qRgb(255, 255, 255)},
                                                            {{2, 2}, qRgb(255, 0, 0)},
                                                            {{18, 2}, qRgb(0, 0, 0)}}
                                          << 0;

        // Icons and cursors with three sizes: the largest, 48, is the one used;
        // its transparent half is white.
        const QList<QImage> tamanos{cuadrantes(16, 16, qRgb(9, 9, 9), qRgb(9, 9, 9)),
                                    conTransparencia(48, 48),
                                    cuadrantes(32, 32, qRgb(9, 9, 9), qRgb(9, 9, 9))};
        const QList<Muestra> transparenteArriba{{{3, 3}, qRgb(255, 255, 255)},
                                                {{40, 40}, qRgb(0, 128, 0)}};
        QTest::newRow("ico, largest picture")
            << "a.ico" << iconoVarios(tamanos, false) << QSize(48, 48) << transparenteArriba << 0;

        using R = Rectangulo;
        // The two rectangles reach both corners, so the drawing's extent is the frame.
        const QList<R> rects{{QRect(0, 0, 20, 15), QColor(255, 0, 0)},
                             {QRect(20, 15, 20, 15), QColor(0, 0, 255)}};
        const QList<Muestra> m{{{5, 5}, qRgb(255, 0, 0)},
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
        QFETCH(QString, nombre);
        QFETCH(QByteArray, datos);
        QFETCH(QSize, tamano);
        QFETCH(QList<Muestra>, muestras);
        QFETCH(int, tolerancia);
        const QString ruta = m_dir.filePath(nombre);
        QVERIFY(escribe(ruta, datos));
        const std::optional<QImage> img = decodificaImagen(ruta);
        QVERIFY(img);
        QCOMPARE(img->size(), tamano);
        QCOMPARE(img->format(), QImage::Format_RGB32);
        for (const Muestra& mu : muestras) {
            const QRgb c = img->pixel(mu.punto);
            QVERIFY2(parecido(c, mu.color, tolerancia), qPrintable(QStringLiteral("(%1,%2) %3")
                                                                       .arg(mu.punto.x())
                                                                       .arg(mu.punto.y())
                                                                       .arg(c, 8, 16)));
        }
    }

    // A metafile is drawn into the frame its header declares, one unit to the
    // pixel, whatever part of it the drawing covers; what lies outside the
    // frame is clipped. Checked pixel by pixel against the drawing.
    void metafileDeclaredFrame_data()
    {
        QTest::addColumn<bool>("emf");
        QTest::addColumn<QList<Rectangulo>>("rects");
        const QList<Rectangulo> centro{{QRect(40, 20, 20, 20), QColor(0, 0, 0)}};
        const QList<Rectangulo> fuera{{QRect(10, 5, 30, 10), QColor(200, 10, 10)},
                                      {QRect(85, 45, 40, 40), QColor(10, 10, 201)}};
        for (bool emf : {false, true}) {
            const char* tipo = emf ? "emf" : "wmf";
            QTest::addRow("%s, a square in the middle", tipo) << emf << centro;
            QTest::addRow("%s, off the corner and past the frame", tipo) << emf << fuera;
        }
    }
    void metafileDeclaredFrame()
    {
        QFETCH(bool, emf);
        QFETCH(QList<Rectangulo>, rects);
        const auto img = emf ? decodifica(imagefixtures::emf(100, 60, rects), QStringLiteral("x.emf"))
                             : decodifica(wmf(100, 60, rects), QStringLiteral("x.wmf"));
        QVERIFY(img);
        QCOMPARE(img->size(), QSize(100, 60));
        QImage esperada(100, 60, QImage::Format_RGB32);
        esperada.fill(Qt::white);
        QPainter p(&esperada);
        // Both libraries fill a rectangle up to its closing edges inclusive.
        for (const Rectangulo& r : rects)
            p.fillRect(r.caja.adjusted(0, 0, 1, 1), r.color);
        p.end();
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                QVERIFY2(img->pixel(x, y) == esperada.pixel(x, y),
                         qPrintable(QStringLiteral("(%1,%2) %3").arg(x).arg(y).arg(img->pixel(x, y), 8, 16)));
    }

    // A pen wider than any picture is narrowed before libwmf allocates a
    // brush as wide as it (this one, 21,248 units, took 1.8 GB).
    void widePenDrawsInLittleMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        const QByteArray datos = QByteArray::fromBase64(
            "183GmgAAAAAAAGQAPABgAAAAAAApVwEACQAAAzgAAAACAAgAAAAAAAUAAAALAgAAAAAFAAAADAI8AGQACAAAAPoCAQAAUwAAAAAAAAQ"
            "AAAAtAQAABwAAAPwCAAAAAAAAAAAEAAAALQEBAAcAAAAbBCgAPAAUACgABAAAAPABAQADAAAAAAA=");
        const int status = childprocess::run([&] {
            const qint64 antes = memoria("VmRSS:");
            const auto img = dibujaWmf(datos);
            return img && img->size() == QSize(100, 60) && memoria("VmHWM:") - antes < (100LL << 20) ? 0 : 1;
        });
        QCOMPARE(status, 0);
    }

    // A metafile without the placeable header declares no size: it takes the
    // extent of its drawing as libwmf scans it.
    void wmfWithoutDeclaredSize()
    {
        const QByteArray datos = wmf(40, 30, {{QRect(0, 0, 40, 30), QColor(255, 0, 0)}}, false);
        const auto img = dibujaWmf(datos);
        QVERIFY(img);
        QVERIFY(!img->isNull());
        QVERIFY(img->width() > 0 && img->height() > 0);
        QCOMPARE(img->pixel(img->width() / 2, img->height() / 2), qRgba(255, 0, 0, 255));
    }

    // What is not a picture is refused, whatever its name.
    void notPictures_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QByteArray>("datos");
        QTest::newRow("text named bmp") << "t.bmp" << QByteArray("hola, esto no es una imagen\r\n");
        QTest::newRow("truncated bmp") << "c.bmp" << guarda(cuadrantes(24, 18), "bmp").left(40);
        QTest::newRow("wmf header only") << "h.wmf" << wmf(40, 30, {}).left(30);
        // libwmf allocates the largest record the header announces.
        QByteArray anuncio = wmf(40, 30, {});
        qToLittleEndian<quint32>(0x70000000, anuncio.data() + 22 + 12);
        QTest::newRow("wmf announcing a record larger than the file") << "m.wmf" << anuncio;
        QTest::newRow("emf header only") << "h.emf" << emf(40, 30, {}).left(60);
        QTest::newRow("emf declaring a huge frame") << "g.emf" << emf(300000, 300000, {});
        // Record streams the metafile library would trust and read past.
        const QByteArray emfMas("EMF+");
        const auto comentario = [](const QByteArray& carga) {
            QByteArray r;
            for (const quint32 v : {70u, quint32(12 + carga.size()), quint32(carga.size())})
                r.append(reinterpret_cast<const char*>(&v), 4);
            return r + carga;
        };
        const auto registroMas = [&](quint32 tamano, quint32 datos) {
            QByteArray r = emfMas;
            for (const quint32 v : {0x4008u, tamano, datos})
                r.append(reinterpret_cast<const char*>(&v), 4);
            return r;
        };
        QTest::newRow("emf+ payload claiming 0x7FFFFFFF bytes")
            << "p.emf" << conRegistro(comentario(registroMas(12, 0x7FFFFFFF)));
        QTest::newRow("emf+ record longer than its comment")
            << "q.emf" << conRegistro(comentario(registroMas(0x7FFFFFF0, 0)));
        QTest::newRow("comment data longer than its record")
            << "r.emf" << conRegistro(QByteArray::fromHex("46000000" "0C000000" "FFFFFF7F"));
        QTest::newRow("record past the end of the file")
            << "s.emf" << conRegistro(QByteArray::fromHex("25000000" "00010000" "00000000"));
        QTest::newRow("record not a multiple of four")
            << "t.emf" << conRegistro(QByteArray::fromHex("25000000" "0D000000" "0000000000"));
        QTest::newRow("no end-of-file record") << "u.emf" << emf(40, 30, {}).chopped(20);
        // EXTTEXTOUTW, 76 bytes, claiming 100 characters just past its end.
        QByteArray texto = QByteArray::fromHex("54000000" "4C000000") + QByteArray(68, '\0');
        qToLittleEndian<quint32>(100, texto.data() + 44);
        qToLittleEndian<quint32>(76, texto.data() + 48);
        QTest::newRow("text past its record") << "v.emf" << conRegistro(texto);
    }
    void notPictures()
    {
        QFETCH(QString, nombre);
        QFETCH(QByteArray, datos);
        const QString ruta = m_dir.filePath(nombre);
        QVERIFY(datos.isNull() || escribe(ruta, datos));
        QVERIFY(!decodificaImagen(ruta));
    }

    // Decoding ahead still hands pictures out in list order, failures in place.
    void aheadKeepsOrder()
    {
        QStringList rutas;
        for (int i = 0; i < 9; ++i) {
            const QString ruta = m_dir.filePath(QStringLiteral("orden%1.bmp").arg(i));
            QImage img(12, 24, QImage::Format_RGB32);
            img.fill(qRgb(i, i, i));
            QVERIFY(escribe(ruta, i == 4 ? QByteArray("no") : guarda(img, "bmp")));
            rutas.append(ruta);
        }
        DecodificadorAdelantado d(rutas, 3);
        for (int i = 0; i < 9; ++i) {
            const auto img = d.siguiente();
            QCOMPARE(bool(img.imagen), i != 4);
            if (img.imagen)
                QCOMPARE(img.imagen->pixel(0, 0), qRgb(i, i, i));
        }
        QVERIFY(!d.siguiente().imagen);
    }

    // A picture the generation can never take is refused by the size its
    // header declares, never decoded: image 0 outside the accepted sizes, a
    // later one unlike image 0. A dozen 1 KB metafiles claiming 8001 × 8001
    // would take gigabytes decoded; here they run in a child whose address
    // space has little room left, and end with the generation's size
    // failures.
    void declaredSizeRefusedBeforeDecoding_data()
    {
        QTest::addColumn<QStringList>("nombres");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<int>("indice");
        const QStringList grandes(12, QStringLiteral("grande.emf"));
        QTest::newRow("image 0 too large") << grandes << int(orv::Resultado::TamanoInvalido) << 0;
        QTest::newRow("a later image unlike image 0")
            << QStringList{QStringLiteral("bien.bmp")} + grandes << int(orv::Resultado::TamanosDistintos) << 1;
    }
    void declaredSizeRefusedBeforeDecoding()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        QFETCH(QStringList, nombres);
        QFETCH(int, resultado);
        QFETCH(int, indice);
        QVERIFY(escribe(m_dir.filePath(QStringLiteral("grande.emf")), imagefixtures::emf(8001, 8001, {})));
        QVERIFY(escribe(m_dir.filePath(QStringLiteral("bien.bmp")), guarda(cuadrantes(40, 30), "bmp")));
        QStringList rutas;
        for (const QString& n : nombres)
            rutas.append(m_dir.filePath(n));
        QCOMPARE(tamanoDeclarado(rutas.last()), QSize(8001, 8001));

        const QString salida = m_dir.filePath(QStringLiteral("p.ovt"));
        const int status = childprocess::run([&] {
            const qint64 libre = 160LL << 20;
            const rlimit limite{rlim_t(memoriaVirtual() + libre), rlim_t(memoriaVirtual() + libre)};
            if (setrlimit(RLIMIT_AS, &limite) != 0)
                return childprocess::kSkipped;
            DecodificadorAdelantado d(rutas);
            const auto r = orv::generaPelicula(salida, {int(rutas.size()), QStringLiteral("100"), {}},
                                               [&d](int) { return d.siguiente().paraGeneracion(); });
            return int(r.tipo) == resultado && r.indice == indice ? 0 : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the address-space limit could not be set");
        QCOMPARE(status, 0);
    }

};

QTEST_MAIN(TestImaging)
#include "test_imaging.moc"

#include "cp1252.h"
#include "generacion.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "readfile.h"
#include "tonos.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

using namespace orv;

Q_DECLARE_METATYPE(orv::Resultado)

namespace {

constexpr std::uint32_t kBlanco = 0xFFFFFF;
constexpr std::uint32_t kNegro = 0;

std::uint32_t gris(int v)
{
    return std::uint32_t(v) * 0x010101u;
}

// A picture held as packed colours, made by the tests.
class ImagenPrueba : public Imagen
{
public:
    ImagenPrueba(int w, int h, const std::function<std::uint32_t(int, int)>& f) : m_w(w), m_h(h)
    {
        m_p.resize(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                m_p[std::size_t(y) * std::size_t(w) + std::size_t(x)] = f(x, y);
    }
    int ancho() const override { return m_w; }
    int alto() const override { return m_h; }
    std::uint32_t color(int x, int y) const override
    {
        return m_p[std::size_t(y) * std::size_t(m_w) + std::size_t(x)];
    }

private:
    int m_w, m_h;
    std::vector<std::uint32_t> m_p;
};

// Columns cycle through the colours; every row alike.
ImagenPrueba franjas(const QList<std::uint32_t>& colores, int w = 16, int h = 24)
{
    return ImagenPrueba(w, h, [&](int x, int) { return colores[x % colores.size()]; });
}

ImagenPrueba lisa(int w, int h, std::uint32_t c = kBlanco)
{
    return ImagenPrueba(w, h, [c](int, int) { return c; });
}

// Hands out copies of the pictures; a missing picture reads as undecodable.
CargaImagen cargaDe(const std::vector<std::optional<ImagenPrueba>>& imagenes)
{
    return [imagenes](int i) -> std::unique_ptr<Imagen> {
        if (!imagenes.at(std::size_t(i)))
            return nullptr;
        return std::make_unique<ImagenPrueba>(*imagenes.at(std::size_t(i)));
    };
}

// n greys from white down in steps of 15, all lighter than black.
QList<std::uint32_t> grises(int n)
{
    QList<std::uint32_t> g;
    for (int i = 0; i < n; ++i)
        g.append(gris(255 - 15 * i));
    return g;
}

// Images as runs of column colours, and frames as runs of characters.
using Imgs = QList<QList<std::uint32_t>>;
using Chars = QList<QByteArray>;

} // namespace

class TestGeneracion : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString ruta(const QString& nombre) const { return m_dir.filePath(nombre); }

    ResultadoGeneracion genera(const QString& destino,
                               const std::vector<std::optional<ImagenPrueba>>& imgs,
                               const QString& pausa = QStringLiteral("100"),
                               const QString& creador = {})
    {
        return generaPelicula(destino, {int(imgs.size()), pausa, creador}, cargaDe(imgs));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The three 40 × 30 images of the header example: the exact header line,
    // then 600-character frame lines, and the reader takes it back.
    void headerAndFrameLines()
    {
        const QString destino = ruta(QStringLiteral("tres.ovt"));
        const auto r = genera(
            destino, {lisa(40, 30), lisa(40, 30, kNegro), franjas({kBlanco, kNegro}, 40, 30)});
        QCOMPARE(r.tipo, Resultado::Creada);
        const QList<QByteArray> lineas = readFile(destino).split('\n');
        QCOMPARE(lineas.size(), 5); // four lines ended by CR LF, then nothing
        QCOMPARE(lineas[0], QByteArray("40,15,3,100,0,0,0,0,,Pel\xED"
                                       "cula creada con Orvane ASCII Creator\r"));
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(lineas[i].size(), 601);
        QVERIFY(lineas[4].isEmpty());

        Pelicula p;
        QVERIFY(cargaPelicula(destino, p));
        QCOMPARE(p.ancho, 40);
        QCOMPARE(p.alto, 15);
        QCOMPARE(p.numCuadros, 3);
        QCOMPARE(p.pausa, 100.0);
        QCOMPARE(p.creador, QByteArray());
        QCOMPARE(p.cuadro(2).first(4), QByteArrayView(" . ."));
    }

    // Every even pixel row is a frame row, odd rows are never looked at.
    void rowsAreEvenPixelRows_data()
    {
        QTest::addColumn<int>("alto");
        QTest::addColumn<int>("filas");
        QTest::newRow("odd height 25") << 25 << 13;
        QTest::newRow("smallest accepted, 23") << 23 << 12;
    }
    void rowsAreEvenPixelRows()
    {
        QFETCH(int, alto);
        QFETCH(int, filas);
        const QString destino = ruta(QStringLiteral("filas.ovt"));
        // Even rows white, odd rows in 20 colours that must neither count nor show.
        const ImagenPrueba img(20, alto, [](int x, int y) {
            return y % 2 ? std::uint32_t(0x100 * (x + 1)) : kBlanco;
        });
        QCOMPARE(genera(destino, {img}).tipo, Resultado::Creada);
        Pelicula p;
        QVERIFY(cargaPelicula(destino, p));
        QCOMPARE(int(p.alto), filas);
        QCOMPARE(p.cuadro(0), QByteArray(20 * filas, ' '));
    }

    // The accepted sizes, tested on image 0 only.
    void sizeBounds_data()
    {
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<bool>("aceptada");
        QTest::newRow("11 wide") << 11 << 30 << false;
        QTest::newRow("12 wide") << 12 << 30 << true;
        QTest::newRow("400 wide") << 400 << 30 << true;
        QTest::newRow("401 wide") << 401 << 30 << false;
        QTest::newRow("22 high") << 20 << 22 << false;
        QTest::newRow("23 high") << 20 << 23 << true;
        QTest::newRow("800 high") << 20 << 800 << true;
        QTest::newRow("801 high") << 20 << 801 << false;
    }
    void sizeBounds()
    {
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(bool, aceptada);
        const QString destino = ruta(QStringLiteral("tam.ovt"));
        QFile::remove(destino);
        const auto r = genera(destino, {lisa(ancho, alto)});
        QCOMPARE(r.tipo, aceptada ? Resultado::Creada : Resultado::TamanoInvalido);
        QCOMPARE(QFile::exists(destino), aceptada);
        // The refusal holds nothing open: the next run works.
        QCOMPARE(genera(destino, {lisa(12, 24)}).tipo, Resultado::Creada);
    }

    // Tones of the whole movie: each image is a run of column colours, each
    // expected frame the characters of those colours.
    void toneMapping_data()
    {
        QTest::addColumn<Imgs>("imagenes");
        QTest::addColumn<Chars>("caracteres");
        const std::uint32_t rojo = 0x0000FF, azul = 0xFF0000;
        QTest::newRow("black and white") << Imgs{{kBlanco, kNegro}} << Chars{" ."};
        QTest::newRow("three greys and black") << Imgs{{gris(90), kNegro, gris(200), gris(150)}} << Chars{",: ."};
        QTest::newRow("black first, then white") << Imgs{{kNegro}, {kBlanco, kNegro}} << Chars{" ", " ."};
        QTest::newRow("a new tone moves black along")
            << Imgs{{kBlanco, kNegro}, {kBlanco, gris(128), kNegro}} << Chars{" .", " .,"};
        QTest::newRow("a lighter tone later moves the others down")
            << Imgs{{gris(100)}, {kBlanco, gris(100)}} << Chars{" ", " ."};
        QTest::newRow("blue weighs more than red") << Imgs{{rojo, azul, kNegro}} << Chars{". ,"};
        QTest::newRow("sixteen tones, no black") << Imgs{grises(16)} << Chars{" .,:\xF7\xA4lJFE9$\x80" "8@#"};
        QList<std::uint32_t> quinceYNegro = grises(15);
        quinceYNegro.prepend(kNegro);
        QTest::newRow("fifteen tones and black") << Imgs{quinceYNegro} << Chars{"# .,:\xF7\xA4lJFE9$\x80" "8@"};
        QTest::newRow("eight and eight across images")
            << Imgs{grises(16).mid(8), grises(16).mid(0, 8)} << Chars{" .,:\xF7\xA4lJ", " .,:\xF7\xA4lJ"};
    }
    void toneMapping()
    {
        QFETCH(Imgs, imagenes);
        QFETCH(Chars, caracteres);
        const QString destino = ruta(QStringLiteral("tonos.ovt"));
        std::vector<std::optional<ImagenPrueba>> imgs;
        for (const auto& colores : imagenes)
            imgs.emplace_back(franjas(colores));
        QCOMPARE(genera(destino, imgs).tipo, Resultado::Creada);
        Pelicula p;
        QVERIFY(cargaPelicula(destino, p));
        QCOMPARE(int(p.numCuadros), imagenes.size());
        for (int i = 0; i < imagenes.size(); ++i) {
            QByteArray esperado;
            for (int fila = 0; fila < 12; ++fila)
                for (int x = 0; x < 16; ++x)
                    esperado.append(caracteres[i][x % caracteres[i].size()]);
            QCOMPARE(p.cuadro(i).toByteArray(), esperado);
        }
    }

    // A 17th tone refuses the movie and names the image that brought it; no
    // movie is left, and a movie already of that name stays as it was.
    void seventeenthTone_data()
    {
        QTest::addColumn<Imgs>("imagenes");
        QTest::addColumn<int>("indice");
        QList<std::uint32_t> diecisiete = grises(16);
        diecisiete.append(0x123456);
        QTest::newRow("seventeen in one image") << Imgs{diecisiete} << 0;
        QTest::newRow("ten, then seven others")
            << Imgs{grises(10), {0x0000F0, 0x0000E0, 0x0000D0, 0x0000C0, 0x0000B0, 0x0000A0, 0x000090}} << 1;
        QList<std::uint32_t> negroPrimero = grises(16);
        negroPrimero.prepend(kNegro);
        QTest::newRow("black before the 16th tone of the same image") << Imgs{negroPrimero} << 0;
        QTest::newRow("black after sixteen tones") << Imgs{grises(16), {kBlanco, kNegro}} << 1;
    }
    void seventeenthTone()
    {
        QFETCH(Imgs, imagenes);
        QFETCH(int, indice);
        QTemporaryDir dir;
        const QString destino = dir.filePath(QStringLiteral("existente.ovt"));
        QFile f(destino);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("anterior\r\n") == 10);
        f.close();
        std::vector<std::optional<ImagenPrueba>> imgs;
        for (const auto& colores : imagenes)
            imgs.emplace_back(franjas(colores, 17));
        const auto r = genera(destino, imgs);
        QCOMPARE(r.tipo, Resultado::DemasiadosTonos);
        QCOMPARE(r.indice, indice);
        QCOMPARE(readFile(destino), QByteArray("anterior\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("existente.ovt")});
    }

    // Black met once, while slots were free, still needs a slot of its own
    // once the same image fills all sixteen.
    void blackAtOnePixelOfTheImageFillingSixteen()
    {
        QTemporaryDir dir;
        const QList<std::uint32_t> g = grises(16);
        const ImagenPrueba img(16, 24, [&](int x, int y) { return x == 0 && y == 0 ? kNegro : g[x]; });
        const auto r = genera(dir.filePath(QStringLiteral("p.ovt")), {img});
        QCOMPARE(r.tipo, Resultado::DemasiadosTonos);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // Failures, before or after the header, leave no file.
    void failureLeavesNoFile_data()
    {
        QTest::addColumn<int>("indice");
        QTest::addColumn<int>("anchoSegunda");
        QTest::addColumn<int>("altoSegunda");
        QTest::addColumn<bool>("legible");
        QTest::addColumn<Resultado>("resultado");
        QTest::newRow("first unreadable") << 0 << 20 << 24 << false << Resultado::ImagenInvalida;
        QTest::newRow("second one pixel taller") << 1 << 20 << 25 << true << Resultado::TamanosDistintos;
        QTest::newRow("second unreadable") << 1 << 20 << 24 << false << Resultado::ImagenInvalida;
    }
    void failureLeavesNoFile()
    {
        QFETCH(int, indice);
        QFETCH(int, anchoSegunda);
        QFETCH(int, altoSegunda);
        QFETCH(bool, legible);
        QFETCH(Resultado, resultado);
        QTemporaryDir dir;
        std::vector<std::optional<ImagenPrueba>> imgs{lisa(20, 24), lisa(anchoSegunda, altoSegunda),
                                                      lisa(20, 24)};
        if (!legible)
            imgs[std::size_t(indice)].reset();
        const auto r = genera(dir.filePath(QStringLiteral("peli.ovt")), imgs);
        QCOMPARE(r.tipo, resultado);
        QCOMPARE(r.indice, indice);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void cancelLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(QStringLiteral("p.ovt"));
        int vistos = 0;
        const auto r = generaPelicula(destino, {3, QStringLiteral("100"), {}},
                                      cargaDe({lisa(20, 24), lisa(20, 24), lisa(20, 24)}),
                                      [&vistos](int hechos) {
                                          vistos = hechos;
                                          return hechos < 2;
                                      });
        QCOMPARE(r.tipo, Resultado::Cancelada);
        QCOMPARE(vistos, 2);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // Images are asked for in order and each once, so they may be decoded ahead.
    void imagesAskedInOrderOnce()
    {
        QList<int> pedidas;
        const auto r =
            generaPelicula(ruta(QStringLiteral("orden.ovt")),
                           {3, QStringLiteral("100"), QStringLiteral("Ana")}, [&pedidas](int i) {
                               pedidas.append(i);
                               return std::make_unique<ImagenPrueba>(lisa(12, 24));
                           });
        QCOMPARE(r.tipo, Resultado::Creada);
        QCOMPARE(pedidas, (QList<int>{0, 1, 2}));
    }

    // Pauses and authors that would not read back as written are refused.
    void validation_data()
    {
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<QString>("creador");
        QTest::addColumn<bool>("valido");
        // Which texts pass is the writers' shared rule; here, that a pause
        // and an author it accepts are written as typed, and that a refusal
        // stops the movie.
        QTest::newRow("fraction and author") << " 2.5 " << "Begoña" << true;
        QTest::newRow("zero") << "0" << "" << false;
        QTest::newRow("author with a comma") << "100" << "Ana, Luis" << false;
    }
    void validation()
    {
        QFETCH(QString, pausa);
        QFETCH(QString, creador);
        QFETCH(bool, valido);
        const auto mensaje = validaDatos(pausa, creador);
        QCOMPARE(!mensaje.has_value(), valido);
        if (const auto problema = problemaCreador(creador); problema && pausaLegible(pausa))
            QVERIFY(mensaje->startsWith("El nombre del creador no puede contener " + *problema + ": "));
        if (valido) {
            const QString destino = ruta(QStringLiteral("valida.ovt"));
            QCOMPARE(genera(destino, {lisa(12, 24)}, pausa, creador).tipo, Resultado::Creada);
            Pelicula p;
            QVERIFY(cargaPelicula(destino, p));
            QCOMPARE(p.pausa, pausa.trimmed().toDouble());
            QCOMPARE(p.creador, toCp1252(creador));
            QCOMPARE(p.masInfo, toCp1252(masInfoCreator()));
        }
    }

    void messages_data()
    {
        QTest::addColumn<Resultado>("tipo");
        QTest::addColumn<QString>("texto");
        const QString fin = QStringLiteral("\r\n\r\nEl proceso no puede continuar.");
        QTest::newRow("invalid") << Resultado::ImagenInvalida
                                 << QStringLiteral("La siguiente imágen no es una imágen válida: \r\n/img/b.gif") + fin;
        QTest::newRow("tones") << Resultado::DemasiadosTonos
                               << QStringLiteral("La siguiente imágen contiene más de 16 tonalidades: \r\n/img/b.gif\r\n\r\n"
                                                 "Para hacer el video debe colocar imágenes de 16 (8 bits) o menos tonalidades,\r\n"
                                                 "disminuya el número de tonalidades de la imágen o elimínela para continuar") + fin;
        QTest::newRow("writing") << Resultado::ErrorEscritura
                                 << QStringLiteral("Se produjo un problema al generar la película ASCII.");
        QTest::newRow("cancelled says nothing") << Resultado::Cancelada << QString();
    }
    void messages()
    {
        QFETCH(Resultado, tipo);
        QFETCH(QString, texto);
        const QStringList rutas{QStringLiteral("/img/a.gif"), QStringLiteral("/img/b.gif")};
        QCOMPARE(mensajeGeneracion({tipo, 1}, rutas), texto);
    }

    void unwritableFolder()
    {
        const auto r = genera(ruta(QStringLiteral("no/existe/p.ovt")), {lisa(12, 24)});
        QCOMPARE(r.tipo, Resultado::ErrorEscritura);
    }
};

QTEST_GUILESS_MAIN(TestGeneracion)
#include "test_generacion.moc"

// The text-picture conversion: the parameter checks, the source line
// splitter, how pictures become frames, and the written movie as the
// Player's reader reads it back.
#include "childprocess.h"
#include "conversion.h"
#include "cp1252.h"
#include "lectorlineas.h"
#include "moviefixtures.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "readfile.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using orv::EstadoConversion;
using orv::FalloParametros;
using orv::ParametrosConversion;

Q_DECLARE_METATYPE(orv::FalloParametros)
Q_DECLARE_METATYPE(orv::EstadoConversion)
Q_DECLARE_METATYPE(orv::ParametrosConversion)

namespace {

ParametrosConversion parametros(const QString& ancho, const QString& alto, bool leeinicio = true,
                                bool repetir = true)
{
    ParametrosConversion p;
    p.ancho = ancho;
    p.alto = alto;
    p.velocidad = u"100"_s;
    p.creador = u"Autor"_s;
    p.leeinicio = leeinicio;
    p.repetir = repetir;
    return p;
}

// The lines of `datos`; with `bloques` of 0 or more, read in steps of that
// many blocks, resumed after every pause.
QList<QByteArray> lineas(const QByteArray& datos, qsizetype limite, int bloques = -1)
{
    QBuffer buffer;
    buffer.setData(datos);
    buffer.open(QIODevice::ReadOnly);
    orv::LectorLineas lector(buffer, limite);
    QList<QByteArray> out;
    QByteArrayView l;
    using Paso = orv::LectorLineas::Paso;
    for (Paso p; (p = lector.avanza(l, bloques)) != Paso::Fin;)
        if (p == Paso::Linea)
            out.append(l.toByteArray());
    if (lector.consumidos() != datos.size())
        qWarning("consumed %lld of %lld", qlonglong(lector.consumidos()), qlonglong(datos.size()));
    return out;
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT
private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("ancho");
        QTest::addColumn<QString>("alto");
        QTest::addColumn<QString>("pausa");
        QTest::addColumn<QString>("creador");
        QTest::addColumn<FalloParametros>("fallo");

        const auto ok = FalloParametros::Ninguno;
        QTest::newRow("leading number 2x") << u"2x"_s << u"2"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("fraction passes") << u"2.5"_s << u"20 px"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("width 1") << u"1"_s << u"5"_s << u"100"_s << u"A"_s << FalloParametros::AnchoAlto;
        QTest::newRow("width over 16 bits") << u"32768"_s << u"5"_s << u"100"_s << u"A"_s << FalloParametros::Demasiado;
        QTest::newRow("widest") << u"32767"_s << u"32766"_s << u"100"_s << u"A"_s << ok;
        QTest::newRow("height plus one over 16 bits") << u"5"_s << u"32767"_s << u"100"_s << u"A"_s << FalloParametros::Demasiado;
        QTest::newRow("pause zero") << u"5"_s << u"5"_s << u"0"_s << u"A"_s << FalloParametros::Pausa;
        QTest::newRow("author comma") << u"5"_s << u"5"_s << u"100"_s << u"Ana, Luis"_s << FalloParametros::Creador;
    }

    void checks()
    {
        QFETCH(QString, ancho);
        QFETCH(QString, alto);
        QFETCH(QString, pausa);
        QFETCH(QString, creador);
        QFETCH(FalloParametros, fallo);
        ParametrosConversion p = parametros(ancho, alto);
        p.velocidad = pausa;
        p.creador = creador;
        QCOMPARE(orv::compruebaParametros(p), fallo);
        QCOMPARE(orv::mensajeFalloParametros(fallo).isEmpty(), fallo == FalloParametros::Ninguno);
        if (fallo == FalloParametros::Creador) // the message names what is wrong
            QCOMPARE(orv::mensajeFalloParametros(fallo, creador),
                     u"El nombre del creador no puede contener "_s + *orv::problemaCreador(creador)
                         + u", procure cambiarlo antes de convertir."_s);
    }

    void lineSplitting_data()
    {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<qsizetype>("limite");
        QTest::addColumn<QList<QByteArray>>("esperadas");

        const qsizetype sinLimite = 1 << 20;
        const qsizetype bloque = orv::LectorLineas::kBloque;
        QTest::newRow("CR LF") << "a\r\nbc\r\n"_ba << sinLimite << QList<QByteArray>{"a", "bc"};
        QTest::newRow("lone CR") << "a\rbc\r"_ba << sinLimite << QList<QByteArray>{"a", "bc"};
        QTest::newRow("LF CR is two ends") << "a\n\rb"_ba << sinLimite << QList<QByteArray>{"a", "", "b"};
        QTest::newRow("mixed, last without end") << "a\r\n\nb\rc"_ba << sinLimite
                                                 << QList<QByteArray>{"a", "", "b", "c"};
        QTest::newRow("empty file") << QByteArray() << sinLimite << QList<QByteArray>{};
        QTest::newRow("cut to the limit") << "abcdef\r\ngh\r\n"_ba << qsizetype(3)
                                          << QList<QByteArray>{"abc", "gh"};

        // Line ends that fall on a block boundary.
        const QByteArray largo(bloque - 1, 'x');
        QTest::newRow("CR LF split by a block") << largo + "\r\nz"_ba << sinLimite
                                                << QList<QByteArray>{largo, "z"};
        QTest::newRow("lone CR ending a block") << largo + "\rz"_ba << sinLimite
                                                << QList<QByteArray>{largo, "z"};
        QTest::newRow("CR LF at the very end") << largo + "\r\n"_ba << sinLimite << QList<QByteArray>{largo};
        const QByteArray enorme(3 * bloque + 5, 'y');
        QTest::newRow("line longer than blocks, cut") << enorme + "\r\nz"_ba << qsizetype(4)
                                                      << QList<QByteArray>{"yyyy", "z"};
        QTest::newRow("cut line whose CR ends a block")
            << QByteArray(2 * bloque - 1, 'y') + "\r\nz"_ba << qsizetype(2) << QList<QByteArray>{"yy", "z"};
        QTest::newRow("line over blocks, whole") << enorme + "\nz"_ba << sinLimite
                                                 << QList<QByteArray>{enorme, "z"};
    }

    void lineSplitting()
    {
        QFETCH(QByteArray, datos);
        QFETCH(qsizetype, limite);
        QFETCH(QList<QByteArray>, esperadas);
        QTest::failOnWarning(QRegularExpression(u"consumed"_s));
        // Whole, and in steps of one and two blocks (the analyser's way).
        for (int bloques : {-1, 1, 2}) {
            const QList<QByteArray> leidas = lineas(datos, limite, bloques);
            QCOMPARE(leidas.size(), esperadas.size());
            for (qsizetype i = 0; i < leidas.size(); ++i)
                QCOMPARE(leidas[i], esperadas[i]);
        }
    }

    void frames_data()
    {
        QTest::addColumn<ParametrosConversion>("p");
        QTest::addColumn<QByteArray>("fuente");
        QTest::addColumn<QList<QByteArray>>("cuadros");

        QTest::newRow("counts 2 and 0") << parametros("3", "3") << "2\r\na\r\nb\r\nc\r\n0\r\nd\r\ne\r\nf\r\n"_ba << QList<QByteArray>{"a  b  c  ", "a  b  c  ", "d  e  f  "};
        QTest::newRow("padding and cutting W 5 H 2") << parametros("5", "2") << "2\r\nab\r\nabcdefg\r\n"_ba << QList<QByteArray>{"ab   abcde", "ab   abcde"};
        QTest::newRow("halves to even") << parametros("2", "2") << "2.5\nab\ncd\n3.5\nef\ngh\n0.5\nij\nkl\n"_ba << QList<QByteArray>{"abcd", "abcd", "efgh", "efgh", "efgh", "efgh", "ijkl"};
        QTest::newRow("negative and text counts give one") << parametros("2", "2") << "-3\nab\ncd\nabc\nef\ngh\n"_ba << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("leading number of the count") << parametros("2", "2") << " 2 copias\nab\ncd\n"_ba << QList<QByteArray>{"abcd", "abcd"};
        QTest::newRow("skipping control lines") << parametros("2", "2", true, false) << "5\nab\ncd\nxx\nef\ngh\n"_ba << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("first line is a row without control lines") << parametros("2", "2", false, true) << "3\nabc\n\nef\ngh\nij\n"_ba << QList<QByteArray>{"3 ab  ", "efghij"};
        QTest::newRow("partial picture dropped") << parametros("2", "3") << "1\na\nb\nc\n4\nd\ne"_ba << QList<QByteArray>{"a b c "};
        QTest::newRow("lone CR and LF and no last end") << parametros("2", "2") << "1\rab\ncd\r\n1\ref\ngh"_ba << QList<QByteArray>{"abcd", "efgh"};
        QTest::newRow("tabs and Windows-1252 bytes pass unchanged") << parametros("3", "2") << "1\n\t\xe9\x80\n\xf7\xa4\n"_ba << QList<QByteArray>{"\t\xe9\x80\xf7\xa4 "_ba};
        QTest::newRow("width from a leading number with a fraction") << parametros("2.5", "2 filas") << "1\nabc\nd\n"_ba << QList<QByteArray>{"abd "};
    }

    void frames()
    {
        QFETCH(ParametrosConversion, p);
        QFETCH(QByteArray, fuente);
        QFETCH(QList<QByteArray>, cuadros);
        QTemporaryDir dir;
        const QString ruta = fixtures::writeFile(dir, u"fuente.txt"_s, fuente);
        orv::PeliculaConvertida pelicula(orv::anchoUsado(p)
                                         * (p.leeinicio ? orv::altoUsado(p) : orv::altoUsado(p) + 1));
        QVERIFY(orv::leeFuente(ruta, p, pelicula));
        QCOMPARE(pelicula.numCuadros(), cuadros.size());
        for (int i = 0; i < pelicula.numCuadros(); ++i)
            QCOMPARE(pelicula.cuadro(i).toByteArray(), cuadros[i]);
    }

    void headerFields_data()
    {
        QTest::addColumn<ParametrosConversion>("p");
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<QByteArray>("primerCuadro");

        QTest::newRow("control lines: header says H + 1") << parametros("3", "2") << 3 << 3 << "ab cd "_ba;
        QTest::newRow("no control lines: header height is the rows") << parametros("3", "2", false) << 3 << 3 << "1  ab cd "_ba;
        QTest::newRow("2x written as the width used") << parametros("2x", "2") << 2 << 3 << "abcd"_ba;
        QTest::newRow("20 px and 2.5") << parametros("20 px", "2.5") << 20 << 3 << "ab                  cd                  "_ba;
    }

    void headerFields()
    {
        QFETCH(ParametrosConversion, p);
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(QByteArray, primerCuadro);
        p.velocidad = u"250"_s;
        p.creador = u"Señora Núñez"_s;
        QTemporaryDir dir;
        const QString fuente = fixtures::writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba);
        const QString salida = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convierte({fuente}, p, salida);
        QCOMPARE(r.estado, EstadoConversion::Escrita);

        orv::Pelicula leida;
        QVERIFY(orv::cargaPelicula(salida, leida));
        QCOMPARE(int(leida.ancho), ancho);
        QCOMPARE(int(leida.alto), alto);
        QCOMPARE(int(leida.numCuadros), 1);
        QCOMPARE(leida.pausa, 250.0);
        QCOMPARE(orv::fromCp1252(leida.creador), p.creador);
        QCOMPARE(orv::fromCp1252(leida.masInfo), u"Película creada con Orvane ASCII Converter"_s);
        QCOMPARE(leida.cuadro(0).toByteArray(), primerCuadro);
        QVERIFY(readFile(salida).endsWith(primerCuadro + "\r\n"));
    }

    // A count that does not fit 16 bits, infinity included, fails its file
    // from there on; the other files are converted.
    void badCountFailsOnlyItsFile_data()
    {
        QTest::addColumn<QByteArray>("cuenta");
        QTest::newRow("past 16 bits") << "40000"_ba;
        QTest::newRow("past a double") << "1e999"_ba;
    }

    void badCountFailsOnlyItsFile()
    {
        QFETCH(QByteArray, cuenta);
        QTemporaryDir dir;
        const QStringList fuentes{
            fixtures::writeFile(dir, u"a.txt"_s, "2\nab\ncd\n" + cuenta + "\nef\ngh\n1\nij\nkl\n"),
            dir.filePath(u"no-existe.txt"_s),
            fixtures::writeFile(dir, u"b.txt"_s, "1\nmn\nop\n"_ba),
        };
        const QString salida = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convierte(fuentes, parametros(u"2"_s, u"2"_s), salida);
        QCOMPARE(r.estado, EstadoConversion::Escrita);
        QCOMPARE(r.fuentesFallidas, 2);
        orv::Pelicula leida;
        QVERIFY(orv::cargaPelicula(salida, leida));
        QCOMPARE(fixtures::frames(leida), (QByteArrayList{"abcd", "abcd", "mnop"}));
    }

    // A FIFO or a device in the list is a source that cannot be read: it is
    // refused when added and fails its file when converted, at once.
    void specialFilesAreNoSources_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("link to /dev/zero") << u"zero"_s;
    }

    void specialFilesAreNoSources()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString fuente = specialFile(dir, u"f.txt"_s, kind);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!orv::puedeabrir(fuente));
        const auto r = orv::convierte({fuente}, parametros(u"2"_s, u"2"_s), dir.filePath(u"p.ovt"_s));
        QCOMPARE(r.estado, EstadoConversion::SinCuadros);
        QCOMPARE(r.fuentesFallidas, 1);
        QVERIFY(clock.elapsed() < 1000);
    }

    // When the only picture fails its count, the message says so, not that
    // the height and width are wrong.
    void onlyPictureWithABadCount()
    {
        QTemporaryDir dir;
        const QString fuente = fixtures::writeFile(dir, u"a.txt"_s, "1e999\nab\ncd\n"_ba);
        const auto r = orv::convierte({fuente}, parametros(u"2"_s, u"2"_s), dir.filePath(u"p.ovt"_s));
        QCOMPARE(r.estado, EstadoConversion::SinCuadros);
        QVERIFY(orv::mensajeSinCuadros(r.fuentesFallidas).startsWith(
            u"No se creó la película: 1 archivo(s) de origen no se pudieron leer por completo"_s));
    }

    void repeatedPictureHeldOnce()
    {
        QTemporaryDir dir;
        const QString ruta = fixtures::writeFile(dir, u"f.txt"_s, "1000\nab\ncd\n2\nef\ngh\n"_ba);
        const ParametrosConversion p = parametros(u"2"_s, u"2"_s);
        orv::PeliculaConvertida pelicula(4);
        QVERIFY(orv::leeFuente(ruta, p, pelicula));
        QCOMPARE(pelicula.numCuadros(), 1002);
        QCOMPARE(pelicula.numImagenes(), 2);
        QCOMPARE(pelicula.cuadro(999).toByteArray(), "abcd"_ba);
        QCOMPARE(pelicula.cuadro(1001).toByteArray(), "efgh"_ba);
    }

    void frameLimit_data()
    {
        QTest::addColumn<QByteArrayList>("fuentes");
        QTest::addColumn<bool>("alcanzado");
        QTest::addColumn<QByteArray>("ultimo");
        QTest::newRow("one source past the limit") << QByteArrayList{"32000\nab\ncd\n800\nef\ngh\n"} << true << "efgh"_ba;
        QTest::newRow("a second source finds it full")
            << QByteArrayList{"32000\nab\ncd\n800\nef\ngh\n", "1\nij\nkl\n"} << true << "efgh"_ba;
        QTest::newRow("exactly the limit is not past it") << QByteArrayList{"32000\nab\ncd\n766\nef\ngh\n"} << false << "efgh"_ba;
    }

    void frameLimit()
    {
        QFETCH(QByteArrayList, fuentes);
        QFETCH(bool, alcanzado);
        QFETCH(QByteArray, ultimo);
        QTemporaryDir dir;
        QStringList rutas;
        for (const QByteArray& f : fuentes)
            rutas << fixtures::writeFile(dir, QString::number(rutas.size()) + u".txt"_s, f);
        const QString salida = dir.filePath(u"peli.ovt"_s);
        const auto r = orv::convierte(rutas, parametros(u"2"_s, u"2"_s), salida);
        QCOMPARE(r.estado, EstadoConversion::Escrita);
        QCOMPARE(r.limiteAlcanzado, alcanzado);
        orv::Pelicula leida;
        QVERIFY(orv::cargaPelicula(salida, leida));
        QCOMPARE(int(leida.numCuadros), orv::kMaxCuadros);
        QCOMPARE(leida.cuadro(orv::kMaxCuadros - 1).toByteArray(), ultimo);
    }

    void nothingWritten_data()
    {
        QTest::addColumn<QByteArray>("fuente");
        QTest::addColumn<bool>("cancelar");
        QTest::addColumn<EstadoConversion>("estado");
        QTest::newRow("only a partial picture") << "1\nab\n"_ba << false << EstadoConversion::SinCuadros;
        QTest::newRow("cancelled while reading") << ("1\n" + QByteArray(200, 'x') + "\n" + QByteArray(200, 'y') + "\n").repeated(10000) << true
                                                 << EstadoConversion::Cancelada;
    }

    void nothingWritten()
    {
        QFETCH(QByteArray, fuente);
        QFETCH(bool, cancelar);
        QFETCH(EstadoConversion, estado);
        QTemporaryDir dir;
        const QString salida = fixtures::writeFile(dir, u"peli.ovt"_s, "an older movie"_ba);
        const QString ruta = fixtures::writeFile(dir, u"f.txt"_s, fuente);
        int llamadas = 0;
        const auto r = orv::convierte({ruta}, parametros(u"2"_s, u"2"_s), salida,
                                      [&](qint64, qint64) { return ++llamadas < 2 || !cancelar; });
        QCOMPARE(r.estado, estado);
        QCOMPARE(readFile(salida), "an older movie"_ba);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no scratch file left
    }

    // A picture too large for the memory there is fails the conversion as a
    // write does: nothing written, and no end of the program.
    void outOfMemoryFailsLikeAWrite()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer needs more address space than the limit leaves");
#endif
        QTemporaryDir dir;
        const QString fuente = fixtures::writeFile(dir, u"f.txt"_s, "1\nab\ncd\n"_ba);
        const QString salida = dir.filePath(u"p.ovt"_s);
        const int status = childprocess::run([&] {
            const rlimit limite{rlim_t(900) << 20, rlim_t(900) << 20};
            if (setrlimit(RLIMIT_AS, &limite) != 0)
                return childprocess::kSkipped;
            const auto r = orv::convierte({fuente}, parametros(u"32767"_s, u"32766"_s), salida);
            return r.estado == EstadoConversion::ErrorEscritura && r.codigoError == 7 ? 0 : 1;
        });
        if (status == childprocess::kSkipped)
            QSKIP("the address-space limit could not be set");
        QCOMPARE(status, 0);
        QVERIFY(!QFile::exists(salida));
    }

    // The message gives the first failure's cause: on a full disk, not the
    // cancel that followed it.
    void writeFailureReportsTheFileError_data()
    {
        QTest::addColumn<bool>("discoLleno");
        QTest::newRow("missing folder") << false;
        QTest::newRow("full disk") << true;
    }

    void writeFailureReportsTheFileError()
    {
        QFETCH(bool, discoLleno);
        QTemporaryDir dir;
        const QString destino = dir.filePath(u"lleno"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"lleno"_s));
        if (discoLleno && QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, destino}) != 0)
            QSKIP("a small tmpfs could not be mounted (it needs root): the full disk is not tried");
        const auto desmonta = qScopeGuard([&] {
            if (discoLleno)
                QProcess::execute(u"umount"_s, {destino});
        });
        QByteArray fuente;
        for (int i = 0; i < 400; ++i)
            fuente += "1\n" + QByteArray(200, char('a' + i % 26)) + "\n" + QByteArray(200, 'z') + "\n";
        const QString ruta = fixtures::writeFile(dir, u"f.txt"_s, fuente);
        const auto r = orv::convierte({ruta}, parametros(u"200"_s, u"2"_s),
                                      discoLleno ? destino + u"/peli.ovt"_s : dir.filePath(u"no/such/folder/peli.ovt"_s));
        QCOMPARE(r.estado, EstadoConversion::ErrorEscritura);
        QVERIFY(r.codigoError != 0);
        const QString m = orv::mensajeErrorEscritura(r.codigoError, r.descripcionError);
        QVERIFY(m.startsWith(u"Se produjo un error al crear la película, el código de error es el "_s
                             + QString::number(r.codigoError) + u" y esto sucede por "_s));
        if (discoLleno)
            QVERIFY2(m.endsWith(u"No space left on device"_s), qPrintable(m));
        QCOMPARE(QDir(destino).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestConversion)
#include "test_conversion.moc"

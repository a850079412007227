#include "generacion.h"

#include "cp1252.h"
#include "moviewriter.h"
#include "nativename.h"
#include "numeric.h"
#include "tonos.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace orv {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoContinua = QStringLiteral("El proceso no puede continuar.");

std::int16_t a16(int v)
{
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

// The colours of the sampled pixels, row after row: every column of every
// even pixel row. Odd rows are never read.
std::vector<std::uint32_t> muestras(const Imagen& img)
{
    const int ancho = img.ancho();
    const int filas = (img.alto() + 1) / 2;
    std::vector<std::uint32_t> m(std::size_t(ancho) * std::size_t(filas));
    for (int r = 0; r < filas; ++r)
        img.fila(2 * r, m.data() + std::size_t(r) * std::size_t(ancho));
    return m;
}

// Adds the sampled colours to the table. Black sampled while a slot was free
// was let through by the table; if the same image then fills the 16th slot,
// black has no slot left and its pixels would vanish from the frame, so it
// counts as the 17th tone.
bool recogeTonos(const std::vector<std::uint32_t>& colores, TablaTonos& tabla)
{
    bool hayNegro = false;
    bool hayUltimo = false;
    std::uint32_t ultimo = 0;
    for (const std::uint32_t c : colores) {
        if (hayUltimo && c == ultimo)
            continue;
        if (!tabla.agrega(c))
            return false;
        hayNegro = hayNegro || c == 0;
        ultimo = c;
        hayUltimo = true;
    }
    return !(hayNegro && tabla.numTonos() == 16);
}

QByteArray caracteres(const std::vector<std::uint32_t>& colores, const TablaTonos& tabla)
{
    QByteArray linea(qsizetype(colores.size()), Qt::Uninitialized);
    char* d = linea.data();
    std::uint32_t ultimo = 0;
    char caracter = tabla.caracter(0);
    for (const std::uint32_t c : colores) {
        if (c != ultimo) {
            ultimo = c;
            caracter = tabla.caracter(c);
        }
        if (caracter != '\0')
            *d++ = caracter;
    }
    linea.truncate(d - linea.constData());
    return linea;
}

QString conRuta(const QString& inicio, const QStringList& rutas, int indice)
{
    return inicio + readableName(rutas.value(indice));
}

} // namespace

bool tamanoValido(std::int16_t columnas, std::int16_t filas)
{
    return !(filas <= 10 || columnas <= 10 || filas >= 400 || columnas >= 400);
}

bool tamanoImagenValido(int ancho, int alto)
{
    return tamanoValido(a16(ancho - 1), a16(int((qint64(alto) + 1) / 2) - 1));
}

QString masInfoCreator()
{
    return QStringLiteral("Película creada con Orvane ASCII Creator");
}

QByteArray lineaCuadro(const Imagen& imagen, const TablaTonos& tabla)
{
    return caracteres(muestras(imagen), tabla);
}

std::optional<QString> validaDatos(const QString& pausa, const QString& creador)
{
    // The reader takes the pause as a plain decimal number; anything it would
    // refuse, or a pause of zero or less, would make an unplayable movie.
    if (!pausaLegible(pausa)) {
        return QStringLiteral("La pausa debe ser un número positivo de milisegundos: ") + pausa +
               kCrLf + kCrLf + kNoContinua;
    }
    // An author that would not read back as typed shifts or loses fields.
    if (const std::optional<QString> problema = problemaCreador(creador)) {
        return QStringLiteral("El nombre del creador no puede contener %1: ").arg(*problema) +
               creador + kCrLf + kCrLf + kNoContinua;
    }
    return std::nullopt;
}

ResultadoGeneracion generaPelicula(const QString& ruta, const DatosGeneracion& datos,
                                   const CargaImagen& carga, const AvanceGeneracion& avance)
{
    MovieWriter escritor(ruta);
    return generaPelicula(escritor, datos, carga, avance);
}

namespace {

ResultadoGeneracion generaEn(MovieWriter& escritor, const DatosGeneracion& datos, const CargaImagen& carga,
                             const AvanceGeneracion& avance)
{
    using enum Resultado;
    const int n = datos.numImagenes;
    if (n <= 0)
        return {ListaVacia};
    // The header's frame count is a 16-bit field.
    if (n > 32767)
        return {ErrorEscritura};

    // Image 0 is decoded once and serves both the size test and frame 0.
    std::unique_ptr<Imagen> img = carga(0);
    if (!img)
        return {ImagenInvalida, 0};
    const int ancho = img->ancho();
    const int alto = img->alto();
    const int filas = (alto + 1) / 2;
    if (!tamanoImagenValido(ancho, alto))
        return {TamanoInvalido, 0};

    const QByteArray cabecera = lineaCabecera(QByteArray::number(ancho), QByteArray::number(filas),
                                              n, toCp1252(datos.pausa.trimmed()),
                                              toCp1252(datos.creador), toCp1252(masInfoCreator()));
    if (!escritor.begin(cabecera))
        return {ErrorEscritura};

    TablaTonos tabla;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            img = carga(i);
            if (!img)
                return {ImagenInvalida, i};
        }
        if (img->ancho() != ancho || img->alto() != alto)
            return {TamanosDistintos, i};
        const std::vector<std::uint32_t> colores = muestras(*img);
        if (!recogeTonos(colores, tabla))
            return {DemasiadosTonos, i};
        tabla.ordena();
        if (!escritor.writeFrame(caracteres(colores, tabla)))
            return {ErrorEscritura};
        if (avance && !avance(i + 1))
            return {Cancelada};
    }
    if (!escritor.commit())
        return {ErrorEscritura};
    return {Creada};
}

} // namespace

// A movie built in memory (a preview) may need more than the system has:
// that fails as a write does, with nothing kept, instead of ending the
// program.
ResultadoGeneracion generaPelicula(MovieWriter& escritor, const DatosGeneracion& datos,
                                   const CargaImagen& carga, const AvanceGeneracion& avance)
{
    try {
        return generaEn(escritor, datos, carga, avance);
    } catch (const std::bad_alloc&) {
        return {Resultado::ErrorEscritura};
    }
}

QString tituloErrorGeneracion()
{
    return QStringLiteral("Error al crear la película");
}

QString mensajeGeneracion(const ResultadoGeneracion& r, const QStringList& rutas)
{
    switch (r.tipo) {
    case Resultado::Creada:
    case Resultado::ListaVacia:
    case Resultado::Cancelada:
        return {};
    case Resultado::TamanoInvalido:
        return QStringLiteral(
                   "No se pueden utilizar imágenes que tengan un ancho o alto menor a 10 "
                   "píxeles, ni más de 400 píxeles de ancho.") +
               kCrLf + kCrLf + kNoContinua;
    case Resultado::ImagenInvalida:
        return conRuta(QStringLiteral("La siguiente imágen no es una imágen válida: ") + kCrLf,
                       rutas, r.indice) +
               kCrLf + kCrLf + kNoContinua;
    case Resultado::TamanosDistintos:
        return QStringLiteral(
                   "Las imágenes de la lista no tienen el mismo ancho o alto, para crear "
                   "una película ASCII debe tener todas las imágenes del mismo tamaño.") +
               kCrLf + kCrLf + kNoContinua;
    case Resultado::DemasiadosTonos:
        return conRuta(QStringLiteral("La siguiente imágen contiene más de 16 tonalidades: ") +
                           kCrLf,
                       rutas, r.indice) +
               kCrLf + kCrLf +
               QStringLiteral("Para hacer el video debe colocar imágenes de 16 (8 bits) o menos "
                              "tonalidades,") +
               kCrLf +
               QStringLiteral("disminuya el número de tonalidades de la imágen o elimínela para "
                              "continuar") +
               kCrLf + kCrLf + kNoContinua;
    case Resultado::ErrorEscritura:
        return mensajeErrorGenerico();
    }
    return mensajeErrorGenerico();
}

QString mensajeCreada()
{
    return QStringLiteral("El archivo fué creado satisfactoriamente.");
}
QString tituloCreada()
{
    return QStringLiteral("Proceso exitoso");
}

QString mensajeErrorGenerico()
{
    return QStringLiteral("Se produjo un problema al generar la película ASCII.");
}

} // namespace orv

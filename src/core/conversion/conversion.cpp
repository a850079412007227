#include "conversion.h"

#include "cp1252.h"
#include "lectorlineas.h"
#include "moviewriter.h"
#include "nativename.h"
#include "numeric.h"

#include <QFile>
#include <QFileInfo>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace orv {
namespace {

// Control lines are read whole (up to this much) whatever the width: a
// repeat count may stand after more blanks than the picture is wide.
constexpr qsizetype kLimiteControl = qsizetype(1) << 20;

// Pictures go into blocks of at least this size, never moved once written.
constexpr qsizetype kBloque = qsizetype(4) << 20;

constexpr std::size_t kPaginaGrande = std::size_t(2) << 20;

// A block of pictures. Faulting tens of megabytes in 4 KiB pages costs more
// than reading the sources; on Linux, huge pages make that several times
// cheaper, so blocks are aligned and sized for them.
char* nuevoBloque(qsizetype tamano)
{
    const std::size_t redondeado =
        (static_cast<std::size_t>(tamano) + kPaginaGrande - 1) / kPaginaGrande * kPaginaGrande;
    auto* bloque = static_cast<char*>(std::aligned_alloc(kPaginaGrande, redondeado));
    if (!bloque)
        throw std::bad_alloc();
#ifdef __linux__
    madvise(bloque, redondeado, MADV_HUGEPAGE);
#endif
    return bloque;
}

// How often, in bytes of source, the caller hears of progress.
constexpr qint64 kPasoProgreso = qint64(1) << 18;

const QString kCrLf = QStringLiteral("\r\n");

// Writes the row fitted to the width, padded with spaces or cut, and
// answers where the next row goes.
char* ajusta(char* destino, QByteArrayView fila, qsizetype ancho)
{
    const qsizetype tomados = std::min(fila.size(), ancho);
    std::memcpy(destino, fila.data(), static_cast<std::size_t>(tomados));
    std::memset(destino + tomados, ' ', static_cast<std::size_t>(ancho - tomados));
    return destino + ancho;
}

} // namespace

std::int64_t anchoUsado(const ParametrosConversion& p) { return roundHalfEven(numericValue(p.ancho)); }

std::int64_t altoUsado(const ParametrosConversion& p) { return roundHalfEven(numericValue(p.alto)); }

FalloParametros compruebaParametros(const ParametrosConversion& p)
{
    if (numericValue(p.ancho) < 2 || numericValue(p.alto) < 2)
        return FalloParametros::AnchoAlto;
    // The header holds the width and the height plus one as 16-bit numbers.
    if (anchoUsado(p) > 32767 || altoUsado(p) > 32766)
        return FalloParametros::Demasiado;
    if (!pausaLegible(p.velocidad))
        return FalloParametros::Pausa;
    if (!creadorLegible(p.creador))
        return FalloParametros::Creador;
    return FalloParametros::Ninguno;
}

QString mensajeFalloParametros(FalloParametros fallo, const QString& creador)
{
    switch (fallo) {
    case FalloParametros::Ninguno:
        break;
    case FalloParametros::AnchoAlto:
        return QStringLiteral("El ancho o el alto establecidos para el archivo de salida es inválido, "
                              "procure colocar valores mayores o iguales a 2 en cada uno de estos "
                              "cuadros.");
    case FalloParametros::Demasiado:
        return QStringLiteral("El ancho o el alto establecidos para el archivo de salida es demasiado "
                              "grande, procure colocar un ancho menor o igual a 32767 y un alto menor "
                              "o igual a 32766.");
    case FalloParametros::Pausa:
        return QStringLiteral("La pausa establecida no es válida, procure colocar un número mayor que "
                              "cero (por ejemplo 100).");
    case FalloParametros::Creador:
        return QStringLiteral("El nombre del creador no puede contener %1, procure cambiarlo antes de "
                              "convertir.")
            .arg(problemaCreador(creador).value_or(QStringLiteral("comas")));
    }
    return {};
}

QString tituloFalloParametros() { return QStringLiteral("Error en los parámetros"); }

bool puedeabrir(const QString& ruta)
{
    QFile archivo;
    return openByNameBytes(archivo, nameBytesFromText(ruta));
}

PeliculaConvertida::PeliculaConvertida(qsizetype largoCuadro)
    : m_largo(largoCuadro), m_tamanoBloque(std::max(kBloque, largoCuadro + 2)),
      m_usadoEnBloque(m_tamanoBloque)
{
}

char* PeliculaConvertida::reserva()
{
    if (m_tamanoBloque - m_usadoEnBloque < m_largo + 2) {
        m_bloques.emplace_back(nuevoBloque(m_tamanoBloque));
        m_usadoEnBloque = 0;
    }
    return m_bloques.back().get() + m_usadoEnBloque;
}

bool PeliculaConvertida::confirma(std::int64_t copias)
{
    if (lleno()) {
        m_recortada = true;
        return false;
    }
    char* imagen = m_bloques.back().get() + m_usadoEnBloque;
    imagen[m_largo] = '\r';
    imagen[m_largo + 1] = '\n';
    m_usadoEnBloque += m_largo + 2;
    m_imagenes.push_back(imagen);

    const std::int64_t pedidas = std::max<std::int64_t>(copias, 1);
    const std::int64_t caben = kMaxCuadros - static_cast<std::int64_t>(m_cuadros.size());
    const auto indice = static_cast<std::int32_t>(m_imagenes.size() - 1);
    m_cuadros.insert(m_cuadros.end(), static_cast<std::size_t>(std::min(pedidas, caben)), indice);
    m_recortada = m_recortada || pedidas > caben;
    return pedidas <= caben;
}

bool PeliculaConvertida::anade(QByteArrayView cuadro, std::int64_t copias)
{
    char* destino = reserva();
    const qsizetype n = std::min(cuadro.size(), m_largo);
    std::memcpy(destino, cuadro.data(), static_cast<std::size_t>(n));
    std::memset(destino + n, ' ', static_cast<std::size_t>(m_largo - n));
    return confirma(copias);
}

QByteArrayView PeliculaConvertida::cuadro(int i) const
{
    return QByteArrayView(m_imagenes[static_cast<std::size_t>(m_cuadros[static_cast<std::size_t>(i)])],
                          m_largo);
}

QByteArrayView PeliculaConvertida::tramo(int i, int& cuantos) const
{
    const char* inicio = cuadro(i).data();
    const char* fin = inicio + m_largo + 2;
    int j = i + 1;
    while (j < numCuadros() && cuadro(j).data() == fin) {
        fin += m_largo + 2;
        ++j;
    }
    cuantos = j - i;
    return QByteArrayView(inicio, fin - inicio);
}

bool leeFuente(const QString& ruta, const ParametrosConversion& p, PeliculaConvertida& pelicula,
               const std::function<bool(qint64)>& progreso)
{
    QFile archivo;
    if (!openByNameBytes(archivo, nameBytesFromText(ruta)))
        return false;
    const qsizetype ancho = static_cast<qsizetype>(anchoUsado(p));
    const std::int64_t alto = altoUsado(p);
    if (!fitsInt16(alto) || ancho < 1)
        return false;
    const std::int64_t filas = p.leeinicio ? alto : alto + 1;

    LectorLineas lector(archivo);
    qint64 avisado = 0;
    QByteArrayView linea;
    for (;;) {
        lector.setLimite(p.leeinicio ? kLimiteControl : ancho);
        if (!lector.siguiente(linea))
            break;
        char* fila = pelicula.reserva();
        std::int64_t copias = 1;
        if (!p.leeinicio) {
            fila = ajusta(fila, linea, ancho);
        } else if (p.repetir) {
            copias = roundHalfEven(numericValueOrOverflow(fromCp1252(linea)));
            if (!fitsInt16(copias))
                return false;
        }
        lector.setLimite(ancho);
        const std::int64_t restantes = p.leeinicio ? filas : filas - 1;
        bool completa = true;
        for (std::int64_t i = 0; i < restantes && completa; ++i) {
            completa = lector.siguiente(linea);
            if (completa)
                fila = ajusta(fila, linea, ancho);
        }
        if (!completa)
            break; // a picture cut short by the end of the file is dropped
        if (!pelicula.confirma(copias))
            return true; // the movie is full: nothing more of this file fits
        if (progreso && lector.consumidos() - avisado >= kPasoProgreso) {
            avisado = lector.consumidos();
            if (!progreso(avisado))
                return false;
        }
    }
    return !lector.error();
}

QByteArray cabeceraConversion(const ParametrosConversion& p, int numCuadros)
{
    return lineaCabecera(QByteArray::number(static_cast<qlonglong>(anchoUsado(p))),
                         QByteArray::number(static_cast<qlonglong>(altoUsado(p) + 1)), numCuadros,
                         toCp1252(p.velocidad), toCp1252(p.creador),
                         toCp1252(QStringLiteral("Película creada con Orvane ASCII Converter")));
}

namespace {

ResultadoConversion conviertePeliculas(const QStringList& fuentes, const ParametrosConversion& p,
                                       MovieWriter& escritor, const ProgresoConversion& progreso);

} // namespace

// Pictures as large as a frame may be (32767 × 32767) need memory the system
// may not have: running out fails the conversion as a write does, with
// nothing written, instead of ending the program.
ResultadoConversion convierte(const QStringList& fuentes, const ParametrosConversion& p,
                              const QString& salida, const ProgresoConversion& progreso)
{
    MovieWriter escritor(salida);
    return convierte(fuentes, p, escritor, progreso);
}

ResultadoConversion convierte(const QStringList& fuentes, const ParametrosConversion& p,
                              MovieWriter& escritor, const ProgresoConversion& progreso)
{
    try {
        return conviertePeliculas(fuentes, p, escritor, progreso);
    } catch (const std::bad_alloc&) {
        ResultadoConversion r;
        r.estado = EstadoConversion::ErrorEscritura;
        r.codigoError = 7; // the classic runtime's "Out of memory"
        r.descripcionError = QStringLiteral("Out of memory");
        return r;
    }
}

namespace {

ResultadoConversion conviertePeliculas(const QStringList& fuentes, const ParametrosConversion& p,
                                       MovieWriter& escritor, const ProgresoConversion& progreso)
{
    ResultadoConversion r;
    const std::int64_t filas = p.leeinicio ? altoUsado(p) : altoUsado(p) + 1;
    PeliculaConvertida pelicula(static_cast<qsizetype>(anchoUsado(p) * filas));

    qint64 total = 0;
    for (const QString& f : fuentes)
        total += std::max<qint64>(sizeByName(f), 0);
    bool cancelada = false;
    qint64 hechos = 0;
    for (const QString& f : fuentes) {
        if (pelicula.lleno()) {
            r.limiteAlcanzado = true;
            break;
        }
        auto avance = [&](qint64 enEsta) {
            cancelada = progreso && !progreso(hechos + enEsta, 2 * total);
            return !cancelada;
        };
        if (!leeFuente(f, p, pelicula, avance))
            ++r.fuentesFallidas;
        if (cancelada) {
            r.estado = EstadoConversion::Cancelada;
            return r;
        }
        hechos += std::max<qint64>(sizeByName(f), 0);
    }
    r.limiteAlcanzado = r.limiteAlcanzado || pelicula.recortada();
    r.numCuadros = pelicula.numCuadros();
    if (r.numCuadros == 0) {
        r.estado = EstadoConversion::SinCuadros;
        return r;
    }

    bool ok = escritor.begin(cabeceraConversion(p, r.numCuadros));
    // Pictures stored one after another go out in one write, in slices
    // small enough for the progress to move and a cancel to be heard.
    const int porEscritura = static_cast<int>(std::clamp<qsizetype>(
        (qsizetype(1) << 22) / (pelicula.largoCuadro() + 2), 1, kMaxCuadros));
    int avisado = 0;
    for (int i = 0; ok && i < r.numCuadros;) {
        int cuantos = 0;
        QByteArrayView lineas = pelicula.tramo(i, cuantos);
        if (cuantos > porEscritura) {
            cuantos = porEscritura;
            lineas = lineas.first(qsizetype(cuantos) * (pelicula.largoCuadro() + 2));
        }
        ok = escritor.writeLines(lineas);
        i += cuantos;
        if (!progreso || i - avisado < 256)
            continue;
        avisado = i;
        if (!progreso(total + total * i / r.numCuadros, 2 * total)) {
            r.estado = EstadoConversion::Cancelada;
            return r; // the writer, dropped uncommitted, leaves nothing behind
        }
    }
    if (ok)
        ok = escritor.commit();
    if (!ok) {
        r.estado = EstadoConversion::ErrorEscritura;
        r.codigoError = static_cast<int>(escritor.error());
        r.descripcionError = escritor.errorString();
        return r;
    }
    r.estado = EstadoConversion::Escrita;
    return r;
}

} // namespace

QString mensajeErrorEscritura(int codigo, const QString& descripcion)
{
    return QStringLiteral("Se produjo un error al crear la película, el código de error es el ")
        + QString::number(codigo) + QStringLiteral(" y esto sucede por ") + descripcion;
}

QString tituloErrorEscritura() { return QStringLiteral("Error en la aplicación"); }

QString mensajeSinCuadros(int fuentesFallidas)
{
    // A source that could not be read whole says so: checking the height and
    // the width would not help there.
    if (fuentesFallidas > 0)
        return QStringLiteral("No se creó la película: %1 archivo(s) de origen no se pudieron leer por "
                              "completo (no se pueden abrir, o una línea de control pide un número de "
                              "copias que no está entre 0 y 32767).")
                   .arg(fuentesFallidas)
            + kCrLf + kCrLf + QStringLiteral("Revise los archivos de la lista.");
    return QStringLiteral("Ninguno de los archivos de origen contiene una imagen ASCII completa con el "
                          "alto establecido, por eso no se creó la película.")
        + kCrLf + kCrLf
        + QStringLiteral("Revise el alto y el ancho, o añada otros archivos a la lista.");
}

QString tituloSinCuadros() { return QStringLiteral("Película no creada"); }

QString mensajeExito() { return QStringLiteral("El archivo fué creado satisfactoriamente."); }

QString tituloExito() { return QStringLiteral("Proceso exitoso"); }

} // namespace orv

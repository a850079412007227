#include "compactador.h"

#include "archiveerror.h"
#include "cgzipfiles.h"
#include "moviereader.h"
#include "moviestream.h"
#include "nativename.h"
#include "reemplazoseguro.h"
#include "zipmember.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

#include <zip.h>

#include <algorithm>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif


namespace orv {
namespace {

const QString kSource = QStringLiteral("Form1::procesaArchivo");

// Error numbers as the classic runtime gives them; the history shows 75 as
// "Error: Al abrir " and every other one with its description.
constexpr int kOutOfMemory = 7;
constexpr int kFileNotFound = 53;
constexpr int kDiskFull = 61;
constexpr int kPastEnd = 62;
constexpr int kPermissionDenied = 70;
constexpr int kAccessError = 75;
// Failures of the archive work itself.
constexpr int kNoMember = archive_errors::ZipBase + ZIP_ER_NOZIP;
constexpr int kCheckFailed = archive_errors::ZipBase + ZIP_ER_INCONS;

[[noreturn]] void raise(int number, const QString& description)
{
    throw ArchiveError(number, kSource, description);
}

// A movie opened for reading by its name's bytes, only when it is a regular
// file (a FIFO would wait for ever for a writer, and a device never ends).
class Entrada
{
public:
    explicit Entrada(const QString& ruta)
    {
        if (!openByNameBytes(m_archivo, nameBytesFromText(ruta))) {
            if (!ruta.isEmpty() && !existsByName(ruta))
                raise(kFileNotFound, QStringLiteral("File not found"));
            raise(kAccessError, QStringLiteral("Path/File access error"));
        }
    }

    QByteArray inicio(qint64 n) { return m_archivo.read(n); }
    qint64 tamano() const { return m_archivo.size(); }

    // Up to `max` bytes, filling `into` as far as the file goes; what the
    // file holds past `maximo` in all is an error, found while reading,
    // whatever size the file reported.
    qint64 lee(char* into, qint64 max, qint64 maximo)
    {
        qint64 hechos = 0;
        while (hechos < max) {
            const qint64 n = m_archivo.read(into + hechos, max - hechos);
            if (n < 0)
                raise(kAccessError, QStringLiteral("Path/File access error"));
            if (n == 0)
                break;
            hechos += n;
        }
        m_leidos += hechos;
        if (m_leidos > maximo)
            raise(kOutOfMemory, QStringLiteral("Out of memory"));
        return hechos;
    }

private:
    QFile m_archivo;
    qint64 m_leidos = 0;
};

// A scratch file that must not exist yet, made by its name's bytes: a
// folder that cannot hold it is an access problem of this movie alone, not
// a failed archive build.
void abreNuevo(QFile& temporal, const QString& nombre)
{
    const QByteArray bytes = nameBytesFromText(nombre);
#ifdef Q_OS_WIN
    temporal.setFileName(nombre);
    if (temporal.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;
#else
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 && temporal.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return;
    if (fd >= 0)
        ::close(fd);
#endif
    raise(kPermissionDenied, QStringLiteral("Permission denied"));
}

bool empiezaConPK(const QString& ruta)
{
    const QByteArray start = Entrada(ruta).inicio(2);
    if (start.isEmpty())
        raise(kPastEnd, QStringLiteral("Input past end of file"));
    return start == "PK";
}

// Pieces compared and copied: small, so memory stays flat.
constexpr qint64 kTrozo = qint64(1) << 20;
// A member up to this size is inflated whole, in one call: with the
// compressed data beside it, memory stays within 64 MiB.
constexpr qint64 kEnteroMaximo = qint64(48) << 20;

// A compressed movie is right when it holds exactly one member, under the
// movie's own name, that reads back to the movie's bytes: compared piece by
// piece with the movie read again, with the member's CRC checked at its end.
bool archivoCorrecto(const QString& archivo, const QString& nombre, const QString& ruta, qint64 maximo)
{
    int err = 0;
    zip_t* za = zip_open(nameBytesFromText(archivo).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return false;
    const auto cierra = qScopeGuard([za] { zip_discard(za); });
    if (zip_get_num_entries(za, 0) != 1
        || QString::fromUtf8(zip_get_name(za, 0, ZIP_FL_ENC_GUESS)) != readableName(nombre))
        return false;
    zip_file_t* miembro = zip_fopen_index(za, 0, 0);
    if (!miembro)
        return false;
    const auto cierraMiembro = qScopeGuard([miembro] { zip_fclose(miembro); });
    Entrada original(ruta);
    QByteArray a(kTrozo, Qt::Uninitialized), b(kTrozo, Qt::Uninitialized);
    for (;;) {
        const qint64 n = original.lee(a.data(), kTrozo, maximo);
        qint64 m = 0;
        while (m < kTrozo) {
            const zip_int64_t r = zip_fread(miembro, b.data() + m, zip_uint64_t(kTrozo - m));
            if (r < 0)
                return false;
            if (r == 0)
                break;
            m += r;
        }
        if (n != m || std::memcmp(a.constData(), b.constData(), size_t(n)) != 0)
            return false;
        if (n < kTrozo)
            return true;
    }
}

// The archive's member on its way to the scratch file: every byte the
// movie's check pulls, and then the rest, is written there as it is
// inflated, so the member is never held whole. What goes wrong is kept
// apart: the scratch file's writing, the size limit, the member itself.
class Copia : public ByteSource
{
public:
    Copia(ByteSource& miembro, QFile& destino, qint64 maximo)
        : m_miembro(miembro), m_destino(destino), m_maximo(maximo)
    {
    }

    qint64 read(char* into, qint64 max) override
    {
        const qint64 n = m_miembro.read(into, max);
        if (n <= 0) {
            m_fallaMiembro = n < 0;
            return n;
        }
        m_copiados += n;
        if (m_copiados > m_maximo) {
            m_demasiado = true;
            return -1;
        }
        if (m_destino.write(into, n) != n) {
            m_fallaEscritura = true;
            return -1;
        }
        return n;
    }

    // Copies what the check left, to the member's end (where its CRC is
    // checked). False when anything failed.
    bool terminaCopia()
    {
        QByteArray trozo(kTrozo, Qt::Uninitialized);
        qint64 n = 0;
        while ((n = read(trozo.data(), kTrozo)) > 0) {
        }
        return n == 0;
    }

    qint64 copiados() const { return m_copiados; }
    bool fallaEscritura() const { return m_fallaEscritura; }
    bool demasiado() const { return m_demasiado; }
    bool fallaMiembro() const { return m_fallaMiembro; }

private:
    ByteSource& m_miembro;
    QFile& m_destino;
    qint64 m_maximo;
    qint64 m_copiados = 0;
    bool m_fallaEscritura = false;
    bool m_demasiado = false;
    bool m_fallaMiembro = false;
};

} // namespace

Compactador::Compactador(Historial historial) : m_historial(std::move(historial)) {}

QString Compactador::lineaDeHora(const QDateTime& momento)
{
    // Spanish, as every program of the suite speaks, whatever the system's
    // locale: the window and `orv compact` write the same line.
    return QLatin1String(" [") + QLocale(QLocale::Spanish, QLocale::Spain).toString(momento, QLocale::ShortFormat)
           + QLatin1Char(']');
}

bool Compactador::esLineaDeHora(const QString& linea)
{
    return linea.startsWith(QLatin1String(" [")) && linea.endsWith(QLatin1Char(']'));
}

QString Compactador::lineaResumen(int cuantos)
{
    return QString::number(cuantos) + QLatin1String(" archivo(s) analizado(s) y/o procesado(s).");
}

void Compactador::agregaHistorial(const QString& linea)
{
    if (m_modo != ModoCompactacion::Analizar && m_historial)
        m_historial(lineaDeHora(m_reloj ? m_reloj() : QDateTime::currentDateTime()));
    if (m_historial)
        m_historial(linea);
    if (m_actual)
        m_actual->lineas << linea;
}

// A name that is not UTF-8 is shown as the Windows-1252 characters it most
// likely was.
void Compactador::reporta(const QString& prefijo, const QString& ruta) { agregaHistorial(prefijo + readableName(ruta)); }

bool Compactador::falla(PasoCompactacion paso) const { return m_falla && !m_falla(paso); }

void Compactador::avanza(const QString& ruta) const
{
    if (m_avance)
        m_avance(ruta);
}

ResultadoArchivo Compactador::procesaArchivo(const QString& ruta)
{
    ResultadoArchivo r;
    m_actual = &r;
    const auto fin = qScopeGuard([this] { m_actual = nullptr; });
    avanza(ruta);
    try {
        const bool comprimido = empiezaConPK(ruta);
        if (!ruta.endsWith(QLatin1String(".ovt"))) {
            reporta(QStringLiteral("No es OVT: "), ruta);
            return r;
        }
        const QFileInfo info(ruta);
        const unsigned permisos = modeByName(ruta).value_or(0);
        const bool soloLectura = !(permisos & 0200u);
        const bool oculto = info.fileName().startsWith(QLatin1Char('.'));
        if (soloLectura || oculto) {
            reporta(soloLectura && oculto ? QStringLiteral("Está oculto y es sólo lectura: ")
                    : oculto              ? QStringLiteral("Está oculto: ")
                                          : QStringLiteral("Es sólo lectura: "),
                    ruta);
            if (!m_fuerzaBruta) {
                reporta(QStringLiteral("No fué procesado: "), ruta);
                r.estado = EstadoArchivo::NoProcesado;
                return r;
            }
            reporta(QStringLiteral("Fuerza bruta: "), ruta);
            // A name is never changed, so a hidden movie stays hidden.
            if (soloLectura && !setModeByName(ruta, permisos | 0200u))
                raise(kPermissionDenied, QStringLiteral("Permission denied"));
        }
        const bool descomprime_ = m_modo == ModoCompactacion::SoloDescomprimir || m_modo == ModoCompactacion::Automatico;
        const bool comprime_ = m_modo == ModoCompactacion::SoloComprimir || m_modo == ModoCompactacion::Automatico;
        if (comprimido && descomprime_) {
            descomprime(ruta);
            reporta(QStringLiteral("Descomprimido: "), ruta);
            r.estado = EstadoArchivo::Descomprimido;
        } else if (comprimido) {
            reporta(QStringLiteral("Está comprimido: "), ruta);
        } else if (comprime_) {
            comprime(ruta);
            reporta(QStringLiteral("Comprimido: "), ruta);
            r.estado = EstadoArchivo::Comprimido;
        } else {
            reporta(QStringLiteral("No está comprimido: "), ruta);
        }
    } catch (const ArchiveError& e) {
        if (e.number() == kAccessError)
            reporta(QStringLiteral("Error: Al abrir "), ruta);
        else
            agregaHistorial(QLatin1String("Error en: ") + readableName(ruta) + QLatin1String(", ") + e.description());
        r.estado = r.estado == EstadoArchivo::ErrorConstruccion ? r.estado : EstadoArchivo::Error;
    }
    return r;
}

void Compactador::comprime(const QString& ruta)
{
    const QFileInfo info(absoluteName(ruta));
    {
        Entrada entrada(ruta);
        if (entrada.tamano() > m_tamanoMaximo)
            raise(kOutOfMemory, QStringLiteral("Out of memory"));
    }
    const std::optional<unsigned> permisos = modeByName(ruta);
    const QString temporal = temporalPara(info);
    {
        QFile reserva; // the name is taken before the archive is built
        abreNuevo(reserva, temporal);
    }
    auto limpia = qScopeGuard([&temporal] { quitaArchivo(temporal); });
    avanza(ruta);
    std::int32_t estado = zip_status::Write;
    if (!falla(PasoCompactacion::Construccion)) {
        CGZipFiles zip;
        zip.setZipFileName(temporal);
        zip.setUpdatingZip(false);
        zip.setRootDirectory(info.absolutePath());
        zip.AddFile(info.fileName());
        estado = zip.MakeZipFile();
    }
    if (estado != zip_status::Ok) {
        m_actual->estado = EstadoArchivo::ErrorConstruccion;
        raise(archive_errors::ZipBase + estado,
              QStringLiteral("The archive could not be built (status %1)").arg(estado));
    }
    avanza(ruta);
    if (falla(PasoCompactacion::Comprobacion) || !archivoCorrecto(temporal, info.fileName(), ruta, m_tamanoMaximo))
        raise(kCheckFailed, QStringLiteral("The archive does not read back the movie"));
    if (falla(PasoCompactacion::Volcado) || !vuelcaADisco(temporal))
        raise(kDiskFull, QStringLiteral("The archive could not be written to disk"));
    if (permisos)
        setModeByName(temporal, *permisos);
    if (falla(PasoCompactacion::Renombrado) || !reemplazaArchivo(temporal, ruta))
        raise(kPermissionDenied, QStringLiteral("The movie could not be replaced"));
    limpia.dismiss();
}

void Compactador::descomprime(const QString& ruta)
{
    const QFileInfo info(absoluteName(ruta));
    const QByteArray nombre = nameBytesFromText(ruta);
    // Only an archive of exactly one file that reads as a movie becomes
    // that movie; anything else would lose what the archive holds.
    const std::optional<FileMembers> miembros =
        falla(PasoCompactacion::Extraccion) ? std::nullopt : fileMembers(nombre);
    if (!miembros)
        raise(kNoMember, QStringLiteral("The archive holds no readable movie"));
    if (miembros->count != 1)
        raise(kNoMember, QStringLiteral("el archivo comprimido contiene %1 archivos").arg(miembros->count));
    if (miembros->firstEncrypted && !m_contrasenas)
        raise(kNoMember, QStringLiteral("el archivo comprimido está cifrado y no se dio su contraseña"));
    const std::unique_ptr<ByteSource> miembro = openFirstZipMember(nombre, m_contrasenas);
    if (!miembro && miembros->firstEncrypted)
        raise(kNoMember, QStringLiteral("el archivo comprimido está cifrado y la contraseña no lo abre"));
    if (!miembro)
        raise(kNoMember, QStringLiteral("The archive holds no readable movie"));
    avanza(ruta);
    const std::optional<unsigned> permisos = modeByName(ruta);
    const QString temporal = temporalPara(info);
    QFile salida;
    abreNuevo(salida, temporal);
    auto limpia = qScopeGuard([&temporal, &salida] {
        salida.close();
        quitaArchivo(temporal);
    });
    qint64 copiados = 0;
    if (std::optional<QByteArray> todo = miembro->whole(std::min(kEnteroMaximo, m_tamanoMaximo))) {
        // A member that fits the memory budget inflates in one call, several
        // times faster; its CRC is already checked.
        MemorySource fuente(*todo);
        if (!compruebaPelicula(fuente))
            raise(kNoMember, QStringLiteral("el archivo comprimido no contiene una película válida"));
        for (qsizetype hechos = 0; hechos < todo->size();) {
            const qint64 n = salida.write(todo->constData() + hechos, todo->size() - hechos);
            if (n <= 0)
                raise(kDiskFull, QStringLiteral("Disk full"));
            hechos += qsizetype(n);
        }
        if (!salida.flush())
            raise(kDiskFull, QStringLiteral("Disk full"));
        copiados = todo->size();
    } else {
        // One pass: the member is checked as a movie while it is copied out.
        Copia copia(*miembro, salida, m_tamanoMaximo);
        const bool pelicula = compruebaPelicula(copia);
        const bool completa = pelicula && copia.terminaCopia() && salida.flush();
        if (copia.fallaEscritura() || (pelicula && !completa && !copia.demasiado() && !copia.fallaMiembro()))
            raise(kDiskFull, QStringLiteral("Disk full"));
        if (copia.demasiado() || copia.fallaMiembro())
            raise(kNoMember, miembros->firstEncrypted
                                 ? QStringLiteral("el archivo comprimido está cifrado y la contraseña no lo abre")
                                 : QStringLiteral("The archive holds no readable movie"));
        if (!pelicula)
            raise(kNoMember, QStringLiteral("el archivo comprimido no contiene una película válida"));
        copiados = copia.copiados();
    }
    salida.close();
    if (falla(PasoCompactacion::Volcado) || !vuelcaADisco(temporal))
        raise(kDiskFull, QStringLiteral("The movie could not be written to disk"));
    if (falla(PasoCompactacion::Comprobacion) || sizeByName(temporal) != copiados)
        raise(kCheckFailed, QStringLiteral("The extracted movie is incomplete"));
    if (permisos)
        setModeByName(temporal, *permisos);
    if (falla(PasoCompactacion::Renombrado) || !reemplazaArchivo(temporal, ruta))
        raise(kPermissionDenied, QStringLiteral("The movie could not be replaced"));
    limpia.dismiss();
}

// A fresh scratch name beside the movie. The first time a folder is met, the
// scratch files dead processes left there are removed.
QString Compactador::temporalPara(const QFileInfo& pelicula)
{
    const QString carpeta = pelicula.absolutePath();
    if (!m_carpetasLimpias.contains(carpeta)) {
        limpiaHuerfanos(carpeta);
        m_carpetasLimpias.insert(carpeta);
    }
    return nombreTemporal(pelicula.filePath());
}

bool comprimePeliculaEnSitio(const QString& ruta, QStringList* lineas)
{
    Compactador c;
    c.setModo(ModoCompactacion::SoloComprimir);
    c.setFuerzaBruta(true);
    const ResultadoArchivo r = c.procesaArchivo(ruta);
    if (lineas)
        *lineas = r.lineas;
    return r.estado == EstadoArchivo::Comprimido;
}

} // namespace orv

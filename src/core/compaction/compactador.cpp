#include "compactador.h"

#include "archiveerror.h"
#include "cgzipfiles.h"
#include "moviereader.h"
#include "nativename.h"
#include "reemplazoseguro.h"
#include "zipmember.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

#include <zip.h>

#include <algorithm>


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

// A movie opened for reading, only when it is a regular file (a FIFO would
// wait for ever for a writer, and a device never ends).
class Entrada
{
public:
    explicit Entrada(const QString& ruta)
    {
        if (!openByNameBytes(m_archivo, QFile::encodeName(ruta))) {
            if (!ruta.isEmpty() && !QFileInfo::exists(ruta))
                raise(kFileNotFound, QStringLiteral("File not found"));
            raise(kAccessError, QStringLiteral("Path/File access error"));
        }
    }

    QByteArray inicio(qint64 n) { return m_archivo.read(n); }

    // Up to `maximo` bytes; what the file holds past that is an error, found
    // while reading, whatever size the file reported.
    QByteArray lee(qint64 maximo)
    {
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(std::clamp<qint64>(m_archivo.size(), 0, maximo)));
        char trozo[64 * 1024];
        for (;;) {
            const qint64 n = m_archivo.read(trozo, std::min<qint64>(sizeof trozo, maximo + 1 - bytes.size()));
            if (n < 0)
                raise(kAccessError, QStringLiteral("Path/File access error"));
            if (n == 0)
                return bytes;
            bytes.append(trozo, static_cast<qsizetype>(n));
            if (bytes.size() > maximo)
                raise(kOutOfMemory, QStringLiteral("Out of memory"));
        }
    }

private:
    QFile m_archivo;
};

// Reads the start of the first line: compressed when it begins with "PK".
// This comes before every other test, so an empty file is an error whatever
// its name.
// Opens a scratch file that must not exist yet: a folder that cannot hold
// it is an access problem of this movie alone, not a failed archive build.
void abreNuevo(QFile& temporal)
{
    if (!temporal.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        raise(kPermissionDenied, QStringLiteral("Permission denied"));
}

bool empiezaConPK(const QString& ruta)
{
    const QByteArray start = Entrada(ruta).inicio(2);
    if (start.isEmpty())
        raise(kPastEnd, QStringLiteral("Input past end of file"));
    return start == "PK";
}

// A compressed movie is right when it holds exactly one member, under the
// movie's own name, that reads back to the original bytes.
bool archivoCorrecto(const QString& archivo, const QString& nombre, const QByteArray& original)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(archivo).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return false;
    const bool uno = zip_get_num_entries(za, 0) == 1
                     && QString::fromUtf8(zip_get_name(za, 0, ZIP_FL_ENC_GUESS)) == nombre;
    zip_discard(za);
    if (!uno)
        return false;
    const std::optional<QByteArray> leido = readFirstZipMember(archivo, original.size(), nullptr);
    return leido && *leido == original;
}

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

void Compactador::reporta(const QString& prefijo, const QString& ruta) { agregaHistorial(prefijo + ruta); }

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
        const bool soloLectura = !(info.permissions() & QFileDevice::WriteOwner);
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
            if (soloLectura && !QFile::setPermissions(ruta, info.permissions() | QFileDevice::WriteOwner))
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
            agregaHistorial(QLatin1String("Error en: ") + ruta + QLatin1String(", ") + e.description());
        r.estado = r.estado == EstadoArchivo::ErrorConstruccion ? r.estado : EstadoArchivo::Error;
    }
    return r;
}

void Compactador::comprime(const QString& ruta)
{
    const QFileInfo info(ruta);
    const QByteArray original = Entrada(ruta).lee(m_tamanoMaximo);
    const QString temporal = temporalPara(info);
    {
        QFile reserva(temporal); // the name is taken before the archive is built
        abreNuevo(reserva);
    }
    auto limpia = qScopeGuard([&temporal] { QFile::remove(temporal); });
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
    if (falla(PasoCompactacion::Comprobacion) || !archivoCorrecto(temporal, info.fileName(), original))
        raise(kCheckFailed, QStringLiteral("The archive does not read back the movie"));
    if (falla(PasoCompactacion::Volcado) || !vuelcaADisco(temporal))
        raise(kDiskFull, QStringLiteral("The archive could not be written to disk"));
    QFile::setPermissions(temporal, info.permissions());
    if (falla(PasoCompactacion::Renombrado) || !reemplazaArchivo(temporal, ruta))
        raise(kPermissionDenied, QStringLiteral("The movie could not be replaced"));
    limpia.dismiss();
}

void Compactador::descomprime(const QString& ruta)
{
    const QFileInfo info(ruta);
    // Only an archive of exactly one file that reads as a movie becomes
    // that movie; anything else would lose what the archive holds.
    const std::optional<FileMembers> miembros =
        falla(PasoCompactacion::Extraccion) ? std::nullopt : fileMembers(QFile::encodeName(ruta));
    if (!miembros)
        raise(kNoMember, QStringLiteral("The archive holds no readable movie"));
    if (miembros->count != 1)
        raise(kNoMember, QStringLiteral("el archivo comprimido contiene %1 archivos").arg(miembros->count));
    if (miembros->firstEncrypted && !m_contrasenas)
        raise(kNoMember, QStringLiteral("el archivo comprimido está cifrado y no se dio su contraseña"));
    const std::optional<QByteArray> plana = readFirstZipMember(ruta, m_tamanoMaximo, m_contrasenas);
    if (!plana && miembros->firstEncrypted)
        raise(kNoMember, QStringLiteral("el archivo comprimido está cifrado y la contraseña no lo abre"));
    if (!plana)
        raise(kNoMember, QStringLiteral("The archive holds no readable movie"));
    if (Pelicula leida; !parsePelicula(*plana, leida))
        raise(kNoMember, QStringLiteral("el archivo comprimido no contiene una película válida"));
    avanza(ruta);
    const QString temporal = temporalPara(info);
    QFile salida(temporal);
    abreNuevo(salida);
    auto limpia = qScopeGuard([&temporal] { QFile::remove(temporal); });
    if (salida.write(*plana) != plana->size() || !salida.flush())
        raise(kDiskFull, QStringLiteral("Disk full"));
    salida.close();
    if (falla(PasoCompactacion::Volcado) || !vuelcaADisco(temporal))
        raise(kDiskFull, QStringLiteral("The movie could not be written to disk"));
    if (falla(PasoCompactacion::Comprobacion) || QFileInfo(temporal).size() != plana->size())
        raise(kCheckFailed, QStringLiteral("The extracted movie is incomplete"));
    QFile::setPermissions(temporal, info.permissions());
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
    return nombreTemporal(pelicula.absoluteFilePath());
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

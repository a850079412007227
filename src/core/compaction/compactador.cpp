#include "compactador.h"

#include "archiveerror.h"
#include "cgzipfiles.h"
#include "reemplazoseguro.h"
#include "zipmember.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

#include <zip.h>

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

// Reads the start of the first line: compressed when it begins with "PK".
// This comes before every other test, so an empty file is an error whatever
// its name.
bool empiezaConPK(const QString& ruta)
{
    const QFileInfo info(ruta);
    if (ruta.isEmpty() || info.isDir())
        raise(kAccessError, QStringLiteral("Path/File access error"));
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) {
        if (!info.exists())
            raise(kFileNotFound, QStringLiteral("File not found"));
        raise(kAccessError, QStringLiteral("Path/File access error"));
    }
    const QByteArray start = f.read(2);
    if (start.isEmpty())
        raise(kPastEnd, QStringLiteral("Input past end of file"));
    return start == "PK";
}

QByteArray leeCompleto(const QString& ruta, qint64 maximo)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        raise(kAccessError, QStringLiteral("Path/File access error"));
    if (f.size() > maximo)
        raise(kOutOfMemory, QStringLiteral("Out of memory"));
    QByteArray bytes = f.readAll();
    if (bytes.size() != f.size())
        raise(kAccessError, QStringLiteral("Path/File access error"));
    return bytes;
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
    return QLatin1String(" [") + QLocale().toString(momento, QLocale::ShortFormat) + QLatin1Char(']');
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
    const QByteArray original = leeCompleto(ruta, m_tamanoMaximo);
    const QString temporal = nombreTemporal(ruta);
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
    std::optional<QByteArray> plana;
    if (!falla(PasoCompactacion::Extraccion))
        plana = readFirstZipMember(ruta, m_tamanoMaximo, nullptr);
    if (!plana)
        raise(kNoMember, QStringLiteral("The archive holds no readable movie"));
    avanza(ruta);
    const QString temporal = nombreTemporal(ruta);
    auto limpia = qScopeGuard([&temporal] { QFile::remove(temporal); });
    {
        QFile salida(temporal);
        if (!salida.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            limpia.dismiss(); // the name belongs to someone else
            raise(kPermissionDenied, QStringLiteral("Permission denied"));
        }
        if (salida.write(*plana) != plana->size() || !salida.flush())
            raise(kDiskFull, QStringLiteral("Disk full"));
    }
    if (falla(PasoCompactacion::Volcado) || !vuelcaADisco(temporal))
        raise(kDiskFull, QStringLiteral("The movie could not be written to disk"));
    if (falla(PasoCompactacion::Comprobacion) || QFileInfo(temporal).size() != plana->size())
        raise(kCheckFailed, QStringLiteral("The extracted movie is incomplete"));
    QFile::setPermissions(temporal, info.permissions());
    if (falla(PasoCompactacion::Renombrado) || !reemplazaArchivo(temporal, ruta))
        raise(kPermissionDenied, QStringLiteral("The movie could not be replaced"));
    limpia.dismiss();
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

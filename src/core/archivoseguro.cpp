#include "archivoseguro.h"

#include "nativename.h"
#include "reemplazoseguro.h"

#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orv {
namespace {

// Each folder's stray scratch files are removed the first time this process
// writes there.
void limpiaCarpetaUnaVez(const QString& carpeta)
{
    static QMutex mutex;
    static QSet<QString> limpias;
    const QMutexLocker lock(&mutex);
    if (!limpias.contains(carpeta)) {
        limpiaHuerfanos(carpeta);
        limpias.insert(carpeta);
    }
}

} // namespace

ArchivoSeguro::ArchivoSeguro(const QString& ruta) : m_ruta(ruta) {}

ArchivoSeguro::~ArchivoSeguro()
{
    if (m_archivo.isOpen() || !m_temporal.isEmpty())
        cancela();
}

bool ArchivoSeguro::abre()
{
    const QFileInfo info(absoluteName(m_ruta));
    limpiaCarpetaUnaVez(info.absolutePath());
    m_temporal = nombreTemporal(info.filePath());
    const QByteArray nombre = nameBytesFromText(m_temporal);
#ifdef Q_OS_WIN
    m_archivo.setFileName(m_temporal);
    m_ok = m_archivo.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (!m_ok) {
        falloDelArchivo(QFileDevice::OpenError);
        m_temporal.clear();
    }
    return m_ok;
#else
    const int fd = ::open(nombre.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        fallo(QFileDevice::OpenError, QString::fromLocal8Bit(std::strerror(errno)));
        m_temporal.clear();
        return false;
    }
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat anterior;
    if (::stat(nameBytesFromText(m_ruta).constData(), &anterior) == 0 && S_ISREG(anterior.st_mode))
        ::fchmod(fd, anterior.st_mode & 07777);
    m_ok = m_archivo.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    if (!m_ok) {
        ::close(fd);
        falloDelArchivo(QFileDevice::OpenError);
        quitaTemporal();
    }
    return m_ok;
#endif
}

QString ArchivoSeguro::abrePorNombre()
{
    if (!abre())
        return {};
    m_archivo.close();
    m_porNombre = true;
    return m_temporal;
}

bool ArchivoSeguro::escribe(QByteArrayView bytes)
{
    if (!m_ok)
        return false;
    // A short write is tried again for the rest: the system tells why only
    // when nothing more can be written (a full disk, a size limit).
    qsizetype hechos = 0;
    while (hechos < bytes.size()) {
        const qint64 n = m_archivo.write(bytes.data() + hechos, bytes.size() - hechos);
        if (n <= 0)
            break;
        hechos += static_cast<qsizetype>(n);
    }
    if (hechos != bytes.size()) {
        falloDelArchivo(QFileDevice::WriteError);
        cancela();
        return false;
    }
    m_escritos += bytes.size();
    empiezaAVolcar();
    return true;
}

// termina() waits until the file is on disk. On Linux the disk starts on
// what was written every megabyte, while the rest is still being
// made, so that wait is short. Elsewhere it all goes at the end.
void ArchivoSeguro::empiezaAVolcar()
{
#ifdef __linux__
    constexpr qint64 kTramo = qint64(1) << 20;
    if (m_escritos - m_volcados < kTramo || !m_archivo.flush())
        return;
    // Only a hint: should it fail, termina() still writes everything.
    sync_file_range(m_archivo.handle(), m_volcados, m_escritos - m_volcados, SYNC_FILE_RANGE_WRITE);
    m_volcados = m_escritos;
#endif
}

bool ArchivoSeguro::termina()
{
    if (!m_ok) {
        cancela();
        return false;
    }
    // Pushed to disk: through the open file, or by name when another
    // library wrote and closed it.
    if (!m_porNombre && !m_archivo.flush()) {
        falloDelArchivo(QFileDevice::WriteError);
        cancela();
        return false;
    }
#ifdef Q_OS_WIN
    const bool enDisco = m_porNombre ? vuelcaADisco(m_temporal) : ::_commit(m_archivo.handle()) == 0;
#else
    const bool enDisco = m_porNombre ? vuelcaADisco(m_temporal) : ::fsync(m_archivo.handle()) == 0;
#endif
    if (!enDisco) {
        fallo(QFileDevice::WriteError, QString::fromLocal8Bit(std::strerror(errno)));
        cancela();
        return false;
    }
    m_archivo.close();
    if (!reemplazaArchivo(m_temporal, m_ruta)) {
        fallo(QFileDevice::RenameError, QString::fromLocal8Bit(std::strerror(errno)));
        cancela();
        return false;
    }
    m_temporal.clear();
    m_ok = false;
    return true;
}

void ArchivoSeguro::cancela()
{
    m_archivo.close();
    quitaTemporal();
    m_ok = false;
}

void ArchivoSeguro::quitaTemporal()
{
    if (m_temporal.isEmpty())
        return;
#ifdef Q_OS_WIN
    QFile::remove(m_temporal);
#else
    ::unlink(nameBytesFromText(m_temporal).constData());
#endif
    m_temporal.clear();
}

// Keeps the failure as it happened: what follows it (the cancel, a close)
// must not replace it.
void ArchivoSeguro::fallo(QFileDevice::FileError codigo, const QString& texto)
{
    if (m_codigo != QFileDevice::NoError)
        return;
    m_codigo = codigo;
    m_error = texto;
}

void ArchivoSeguro::falloDelArchivo(QFileDevice::FileError porOmision)
{
    // The system's own reason, taken before anything else can change it: a
    // file opened from a descriptor can leave Qt with "Unknown error" for a
    // full disk.
    const int causa = errno;
    QString texto = m_archivo.errorString();
    if (causa != 0 && (texto.isEmpty() || texto == QLatin1String("Unknown error")))
        texto = QString::fromLocal8Bit(std::strerror(causa));
    fallo(m_archivo.error() != QFileDevice::NoError ? m_archivo.error() : porOmision, texto);
}

QString ArchivoSeguro::error() const { return m_error; }

QFileDevice::FileError ArchivoSeguro::codigoError() const { return m_codigo; }

} // namespace orv

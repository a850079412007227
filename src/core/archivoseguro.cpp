#include "archivoseguro.h"

#ifdef __linux__
#include <fcntl.h>
#endif

namespace orv {

ArchivoSeguro::ArchivoSeguro(const QString& ruta) : m_archivo(ruta)
{
    m_archivo.setDirectWriteFallback(false);
}

bool ArchivoSeguro::abre()
{
    m_ok = m_archivo.open(QIODevice::WriteOnly);
    if (!m_ok)
        fallo();
    return m_ok;
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
    m_ok = hechos == bytes.size();
    if (!m_ok) {
        fallo();
        m_archivo.cancelWriting();
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
    sync_file_range(m_archivo.handle(), m_volcados, m_escritos - m_volcados,
                    SYNC_FILE_RANGE_WRITE);
    m_volcados = m_escritos;
#endif
}

bool ArchivoSeguro::termina()
{
    if (!m_ok) {
        m_archivo.cancelWriting();
        return false;
    }
    m_ok = m_archivo.commit();
    if (!m_ok)
        fallo();
    return m_ok;
}

// Keeps the failure as it happened: the cancel that follows would replace
// it with "Writing canceled by application".
void ArchivoSeguro::fallo()
{
    m_codigo = m_archivo.error() != QFileDevice::NoError ? m_archivo.error() : QFileDevice::WriteError;
    m_error = m_archivo.errorString();
}

QString ArchivoSeguro::error() const
{
    return m_codigo != QFileDevice::NoError ? m_error : m_archivo.errorString();
}

QFileDevice::FileError ArchivoSeguro::codigoError() const
{
    return m_codigo != QFileDevice::NoError ? m_codigo : m_archivo.error();
}

} // namespace orv

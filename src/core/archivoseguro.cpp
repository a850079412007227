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
    return m_ok;
}

bool ArchivoSeguro::escribe(QByteArrayView bytes)
{
    if (!m_ok)
        return false;
    m_ok = m_archivo.write(bytes.data(), bytes.size()) == bytes.size();
    if (!m_ok) {
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
    return m_ok;
}

QString ArchivoSeguro::error() const
{
    return m_archivo.errorString();
}

} // namespace orv

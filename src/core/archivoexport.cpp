#include "archivoexport.h"

namespace orv {

ArchivoExport::ArchivoExport(const QString& ruta) : m_archivo(ruta)
{
    m_archivo.setDirectWriteFallback(false);
}

bool ArchivoExport::abre()
{
    m_ok = m_archivo.open(QIODevice::WriteOnly);
    return m_ok;
}

bool ArchivoExport::escribe(QByteArrayView bytes)
{
    if (!m_ok)
        return false;
    m_ok = m_archivo.write(bytes.data(), bytes.size()) == bytes.size();
    if (!m_ok)
        m_archivo.cancelWriting();
    return m_ok;
}

bool ArchivoExport::termina()
{
    if (!m_ok) {
        m_archivo.cancelWriting();
        return false;
    }
    m_ok = m_archivo.commit();
    return m_ok;
}

QString ArchivoExport::error() const
{
    return m_archivo.errorString();
}

} // namespace orv

#pragma once

#include <QSaveFile>
#include <QString>

namespace orv {

// The file an export writes: everything goes to a temporary file beside the
// target and is renamed over it only by termina(); an export that fails or is
// cancelled leaves no file and any earlier file of that name untouched.
class ArchivoExport
{
public:
    explicit ArchivoExport(const QString& ruta);

    bool abre();
    bool escribe(QByteArrayView bytes);
    bool termina();
    void cancela()
    {
        m_archivo.cancelWriting();
        m_ok = false;
    }

    // Why the file could not be written, for the caller's message.
    QString error() const;

private:
    void empiezaAVolcar();

    QSaveFile m_archivo;
    bool m_ok = false;
    qint64 m_escritos = 0; // bytes handed to the system so far
    qint64 m_volcados = 0; // of those, how many it was asked to start writing to disk
};

} // namespace orv

#pragma once

#include <QSaveFile>
#include <QString>

namespace orv {

// A file written safely, as every movie and export is: everything goes to a
// temporary file beside the target, which termina() flushes to disk and
// renames over it; a write that fails or is cancelled leaves no file and any
// earlier file of that name untouched. Never written in place.
class ArchivoSeguro
{
public:
    explicit ArchivoSeguro(const QString& ruta);

    bool abre();
    bool escribe(QByteArrayView bytes);
    bool termina();
    void cancela()
    {
        m_archivo.cancelWriting();
        m_ok = false;
    }

    // Why the file could not be written, for the caller's message, and the
    // system's error kind: the first failure's, not the cancel that followed.
    QString error() const;
    QFileDevice::FileError codigoError() const;

private:
    void empiezaAVolcar();
    void fallo();

    QSaveFile m_archivo;
    bool m_ok = false;
    qint64 m_escritos = 0; // bytes handed to the system so far
    qint64 m_volcados = 0; // of those, how many it was asked to start writing to disk
    QFileDevice::FileError m_codigo = QFileDevice::NoError; // the first failure's
    QString m_error;
};

} // namespace orv

#pragma once

#include <QFile>
#include <QString>

namespace orv {

// A file written safely, as every movie and export is: everything goes to a
// scratch file beside the target (named as reemplazoseguro.h names them, so
// that one a killed process left is removed by the next writer in that
// folder), which termina() flushes to disk and renames over the target; a
// write that fails or is cancelled leaves no file and any earlier file of
// that name untouched. Never written in place. The target may be a name
// that is not UTF-8 (see nativename.h); an existing target's permissions
// are kept.
class ArchivoSeguro
{
public:
    explicit ArchivoSeguro(const QString& ruta);
    ~ArchivoSeguro();
    ArchivoSeguro(const ArchivoSeguro&) = delete;
    ArchivoSeguro& operator=(const ArchivoSeguro&) = delete;

    bool abre();
    // For a library that writes the file itself by its name: the scratch
    // file is made (empty) and its name answered, to be written and closed
    // by that library; termina() and cancela() then work as ever. Empty when
    // it cannot be made (error() says why).
    QString abrePorNombre();
    bool escribe(QByteArrayView bytes);
    bool termina();
    void cancela();

    // Why the file could not be written, for the caller's message, and the
    // system's error kind: the first failure's, not the cancel that followed.
    QString error() const;
    QFileDevice::FileError codigoError() const;

private:
    void empiezaAVolcar();
    void fallo(QFileDevice::FileError codigo, const QString& texto);
    void falloDelArchivo(QFileDevice::FileError porOmision);
    void quitaTemporal();

    QString m_ruta;
    QString m_temporal;
    QFile m_archivo;
    bool m_ok = false;
    bool m_porNombre = false; // another library writes the scratch file by its name
    qint64 m_escritos = 0; // bytes handed to the system so far
    qint64 m_volcados = 0; // of those, how many it was asked to start writing to disk
    QFileDevice::FileError m_codigo = QFileDevice::NoError; // the first failure's
    QString m_error;
};

} // namespace orv

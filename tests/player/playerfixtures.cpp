#include "playerfixtures.h"

#include "cp1252.h"

#include <QFile>
#include <QSettings>
#include <QTest>
#include <zip.h>

namespace playerfixtures {

void aislaAjustes()
{
    static QTemporaryDir carpeta;
    if (!carpeta.isValid())
        qFatal("no temporary settings folder");
    qputenv("XDG_CONFIG_HOME", carpeta.path().toLocal8Bit());
}

void limpiaAjustes()
{
    QSettings ajustes(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                      QStringLiteral("OrvPlayer"));
    ajustes.clear();
    ajustes.sync();
}

void ponAjuste(const QString& nombre, const QString& valor)
{
    QSettings ajustes(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                      QStringLiteral("OrvPlayer"));
    ajustes.setValue(nombre, valor);
    ajustes.sync();
}

QString ajuste(const QString& nombre)
{
    QSettings ajustes(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvane"),
                      QStringLiteral("OrvPlayer"));
    return ajustes.value(nombre).toString();
}

QByteArray lineaCuadro(int ancho, int alto, int i)
{
    return QByteArray(qsizetype(ancho) * alto, static_cast<char>('A' + i % 26));
}

QByteArray pelicula(int ancho, int alto, int cuadros, double pausa, const QByteArray& creador,
                    const QByteArray& masInfo)
{
    QByteArray datos = QByteArray::number(ancho) + ',' + QByteArray::number(alto) + ','
                       + QByteArray::number(cuadros) + ',' + QByteArray::number(pausa)
                       + ",0,0,0,0," + creador + ',' + orv::toCp1252(QString::fromUtf8(masInfo))
                       + "\r\n";
    for (int i = 0; i < cuadros; ++i)
        datos += lineaCuadro(ancho, alto, i) + "\r\n";
    return datos;
}

QString escribe(const QTemporaryDir& dir, const QString& nombre, const QByteArray& bytes)
{
    const QString ruta = dir.filePath(nombre);
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(ruta));
    return ruta;
}

QString escribeComprimida(const QTemporaryDir& dir, const QString& nombre, const QString& miembro,
                          const QByteArray& contenido)
{
    const QString ruta = dir.filePath(nombre);
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(ruta).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        qFatal("cannot create %s", qPrintable(ruta));
    // libzip reads the buffer at zip_close; keep a copy alive until then.
    const QByteArray copia = contenido;
    zip_source_t* fuente = zip_source_buffer(zip, copia.constData(), copia.size(), 0);
    if (!fuente || zip_file_add(zip, miembro.toUtf8().constData(), fuente, ZIP_FL_ENC_UTF_8) < 0)
        qFatal("cannot add %s", qPrintable(miembro));
    if (zip_close(zip) != 0)
        qFatal("cannot close %s", qPrintable(ruta));
    return ruta;
}

} // namespace playerfixtures

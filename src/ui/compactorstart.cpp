#include "compactorstart.h"

#include "compactorlauncher.h"
#include "prompt.h"

namespace orv::ui {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString remedios()
{
    return kCrLf + kCrLf + QStringLiteral(" -Reinstalando Orvane ASCII Suite") + kCrLf
        + QStringLiteral(" -Ejecutando una vez Orvane ASCII Compactor") + kCrLf + kCrLf
        + QStringLiteral("Probablemente la película fué generada, pero esta no fué comprimida.");
}

} // namespace

QString mensajeCompactorNoEncontrado()
{
    return QStringLiteral("No se puede encontrar Orvane ASCII Compactor, puede solucionar este "
                          "problema de varias formas: ")
        + remedios();
}

QString mensajeCompactorNoResponde()
{
    return QStringLiteral("No se puede encontrar Orvane ASCII Compactor, existe un registro de este "
                          "anteriormente pero no responde o no existe, puede solucionar este "
                          "problema de varias formas: ")
        + remedios();
}

bool comprimePelicula(QWidget* parent, const QString& rutaPelicula)
{
    QString texto;
    switch (iniciaCompactor(rutaPelicula)) {
    case InicioCompactor::Iniciado:
        return true;
    case InicioCompactor::NoEncontrado:
        texto = mensajeCompactorNoEncontrado();
        break;
    case InicioCompactor::NoResponde:
        texto = mensajeCompactorNoResponde();
        break;
    }
    prompt().mensaje(parent, texto, QStringLiteral("Error al comprimir la película"),
                     Icono::Exclamacion, Botones::Aceptar);
    return false;
}

} // namespace orv::ui

#include "commandline.h"

#include "prompt.h"
#include "promptpasswords.h"

namespace orv::compactor {

std::optional<QString> rutaDeLineaDeComandos(const QStringList& argumentos)
{
    const QString texto = argumentos.join(QLatin1Char(' '));
    if (texto.size() <= 1)
        return std::nullopt;
    return texto.section(QLatin1Char('"'), 0, 0);
}

void procesaLineaDeComandos(const QString& ruta, Compactador::FallaPaso falla)
{
    const QString titulo = QStringLiteral("Orvane ASCII Compactor");
    Compactador motor;
    motor.setFallaPaso(std::move(falla));
    ui::PromptPasswords contrasenas(nullptr, titulo);
    motor.setContrasenas(&contrasenas);
    const ResultadoArchivo r = motor.procesaArchivo(ruta);
    if (r.estado == EstadoArchivo::ErrorConstruccion) {
        ui::prompt().mensaje(nullptr, QStringLiteral("Error"), titulo, ui::Icono::Ninguno, ui::Botones::Aceptar);
        return;
    }
    // Never a failure reported as success: anything but a real change shows
    // what the history says.
    if (r.estado == EstadoArchivo::Comprimido || r.estado == EstadoArchivo::Descomprimido)
        ui::prompt().mensaje(nullptr, QStringLiteral("El archivo fué procesado satisfactoriamente."), titulo,
                             ui::Icono::Informacion, ui::Botones::Aceptar);
    else
        ui::prompt().mensaje(nullptr, r.lineas.join(QLatin1String("\r\n")), titulo, ui::Icono::Exclamacion,
                             ui::Botones::Aceptar);
}

} // namespace orv::compactor

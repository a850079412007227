#include "compressstep.h"

#include "compactador.h"

namespace orv::cli {

int comprimeEscrita(const QString& ruta, Io& io)
{
    QStringList lineas;
    if (comprimePeliculaEnSitio(ruta, &lineas))
        return kOk;
    for (const QString& l : lineas)
        io.err << "orv: " << l << '\n';
    io.err << "orv: la película fué generada, pero esta no fué comprimida\n";
    return kFailed;
}

} // namespace orv::cli

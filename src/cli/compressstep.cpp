#include "compressstep.h"

#include "compactor.h"

namespace orv::cli {

int compressWritten(const FileName& path, Io& io)
{
    QStringList lines;
    if (compressMovieInPlace(path, &lines))
        return kOk;
    for (const QString& l : lines)
        io.err << "orv: " << l << '\n';
    io.err << "orv: la película fué generada, pero esta no fué comprimida\n";
    return kFailed;
}

} // namespace orv::cli

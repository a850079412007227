#pragma once

#include <QImage>
#include <QStringList>
#include <deque>
#include <future>
#include <optional>

namespace orv::imaging {

// Decodes a list of picture files ahead of the one asked for, on as many
// threads as there are cores, and hands them out strictly in list order:
// the generation's tone table is sequential, but decoding is not.
class DecodificadorAdelantado
{
public:
    // `adelanto`: how many pictures may be decoded ahead; 0 picks twice the
    // number of cores.
    explicit DecodificadorAdelantado(QStringList rutas, int adelanto = 0);
    ~DecodificadorAdelantado();

    // The next picture in list order (nothing when it cannot be decoded).
    // Each call moves on by one; calling past the end gives nothing.
    std::optional<QImage> siguiente();

private:
    void llena();

    QStringList m_rutas;
    int m_adelanto;
    int m_lanzadas = 0;
    std::deque<std::future<std::optional<QImage>>> m_pendientes;
};

} // namespace orv::imaging

#pragma once

#include "imagen.h"

#include <QImage>
#include <QSize>
#include <QStringList>
#include <deque>
#include <future>
#include <memory>
#include <optional>

namespace orv::imaging {

// One picture as the decoder hands it out: decoded, refused by the size its
// header declares (the pixels were never decoded), or unreadable.
struct Decodificada
{
    std::optional<QImage> imagen;
    std::optional<QSize> soloTamano;

    // For the generation: the pixels, a picture of the declared size without
    // pixels (which the generation refuses by its size before reading any),
    // or nullptr.
    std::unique_ptr<Imagen> paraGeneracion() &&;
};

// Decodes a list of picture files ahead of the one asked for, on as many
// threads as there are cores, and hands them out strictly in list order:
// the generation's tone table is sequential, but decoding is not.
//
// Each file's header is read before it is decoded. A picture the generation
// can never accept is not decoded: image 0 outside the accepted sizes (and
// then nothing after it), a later one declaring a size other than image 0's.
// What is decoded ahead is bounded by memory as well as by count: the
// pictures in flight together may take kMemoriaAdelanto, one whose size is
// not declared counts as the largest allowed, and one is always allowed.
class DecodificadorAdelantado
{
public:
    static constexpr qint64 kMemoriaAdelanto = 256LL * 1024 * 1024;

    // `adelanto`: how many pictures may be decoded ahead; 0 picks twice the
    // number of cores.
    explicit DecodificadorAdelantado(QStringList rutas, int adelanto = 0);
    ~DecodificadorAdelantado();

    // The next picture in list order. Each call moves on by one; calling
    // past the end gives an unreadable one.
    Decodificada siguiente();

private:
    struct Pendiente
    {
        std::future<Decodificada> resultado;
        qint64 memoria = 0;
    };
    void llena();

    QStringList m_rutas;
    int m_adelanto;
    int m_lanzadas = 0;
    std::optional<QSize> m_tamanoPrimera;
    bool m_primeraRechazada = false;
    qint64 m_memoriaEnCurso = 0;
    std::deque<Pendiente> m_pendientes;
};

} // namespace orv::imaging

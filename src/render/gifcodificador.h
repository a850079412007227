#pragma once

#include "gifcuadros.h"

#include <QRect>
#include <condition_variable>
#include <deque>
#include <functional>
#include <gif_lib.h>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orv::render::gif {

// The two colours of every image: 0 the background, 1 the letters.
ColorMapObject* paleta(const OpcionesExport& opciones);

// One image to encode: the frame, the part of the screen it stores, how
// long it shows; then its LZW data as GIF sub-blocks, the end block left out.
struct Imagen
{
    Cuadro cuadro;
    QRect zona;
    int retardo = 0;
    std::vector<GifByteType> bloques;
    bool hecha = false;
    bool ok = false;
};

// Images are encoded on every core and written in the order they were
// given; at most a few wait at a time, so memory stays bounded however long
// the movie. Each image is drawn from the glyph cells and encoded by giflib
// as a GIF of its own in memory; its image data then goes into the export's
// file as it is.
class Codificador
{
public:
    using Escribe = std::function<bool(const Imagen&)>;

    Codificador(const Glifos& glifos, const OpcionesExport& opciones);
    ~Codificador();

    // Hands an image over; writes those done while too many wait. False
    // once writing failed.
    bool entrega(std::unique_ptr<Imagen> imagen, const Escribe& escribe);

    // Writes every image still waiting.
    bool vacia(const Escribe& escribe);

    // True when an image could not be encoded (memory ran out).
    bool sinMemoria() const { return m_sinMemoria; }

private:
    bool escribePrimera(const Escribe& escribe);
    void trabaja();

    const Glifos& m_glifos;
    const OpcionesExport& m_opciones;
    size_t m_enEspera = 1;
    std::mutex m_mutex;
    std::condition_variable m_hayTrabajo, m_hecha;
    std::deque<Imagen*> m_porHacer;
    std::deque<std::unique_ptr<Imagen>> m_pendientes;
    bool m_fin = false;
    bool m_sinMemoria = false; // read and written by the caller's thread only
    std::vector<std::thread> m_hilos;
};

} // namespace orv::render::gif

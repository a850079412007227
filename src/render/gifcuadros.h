#pragma once

#include "exportacion.h"
#include "lienzo.h"

#include <QByteArray>
#include <QFont>
#include <QRect>
#include <array>
#include <vector>

// What the animated GIF export draws: every byte's cell as palette indices,
// frames as rows of bytes, and where one frame looks different from another.
namespace orv::render::gif {

// Every byte's cell as palette indices (1 where the letters' colour is
// nearer, 0 else), taken from the Player's renderer once, before any frame:
// a frame is then only copies of these rows, which any thread may make.
class Glifos
{
public:
    // Bytes readable past a cell's row, the last cell's included, so that a
    // row of up to that many pixels can be copied as one fixed-size block.
    static constexpr size_t kHolgura = 8;

    Glifos(const QFont& fuente, const OpcionesExport& opciones);

    int ancho() const { return m_ancho; }
    int alto() const { return m_alto; }
    // Bytes drawn alike (every blank one, say) share one number, so
    // comparing frames compares what is seen.
    unsigned char forma(unsigned char byte) const { return m_forma[byte]; }
    const unsigned char* celdaDe(unsigned char byte) const
    {
        return m_indices.data() + static_cast<size_t>(byte) * static_cast<size_t>(m_ancho) *
                                      static_cast<size_t>(m_alto);
    }

private:
    int m_ancho = 1, m_alto = 1;
    std::vector<unsigned char> m_indices;
    std::array<unsigned char, 256> m_forma{};
};

// A frame as the exports show it, cut into its rows; a cell past a row's end
// or below the last row is a blank.
class Cuadro
{
public:
    Cuadro() = default;
    explicit Cuadro(QByteArray texto);

    // Row r's bytes and how many of them there are.
    const unsigned char* fila(int r, int& largo) const
    {
        if (r >= static_cast<int>(m_filas.size())) {
            largo = 0;
            return nullptr;
        }
        const FilaTexto& f = m_filas[static_cast<size_t>(r)];
        largo = f.largo;
        return reinterpret_cast<const unsigned char*>(m_texto.constData()) + f.inicio;
    }

private:
    QByteArray m_texto;
    std::vector<FilaTexto> m_filas;
};

// The smallest rectangle of pixels where `ahora` looks different from
// `antes` on a screen of `columnas` x `filas` cells; empty when it looks the
// same.
QRect cambio(const Cuadro& antes, const Cuadro& ahora, int columnas, int filas,
             const Glifos& glifos);

} // namespace orv::render::gif

#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace orv {

// Reads the lines of a text source a block at a time. CR LF, a lone CR and a
// lone LF each end a line; a last line without an end still counts, and an
// end at the very end of the data starts no further line. A line longer than
// `limite` bytes is cut to its first `limite` bytes and the rest of it is
// skipped, so one huge line never has to be held whole.
class LectorLineas
{
public:
    static constexpr qsizetype kBloque = qsizetype(1) << 18;

    explicit LectorLineas(QIODevice& dispositivo, qsizetype limite = qsizetype(1) << 20);

    // The next line without its end, valid until the next call. False at the
    // end of the data or when reading fails (then error() is true).
    bool siguiente(QByteArrayView& linea);

    // The same in steps: reads at most `bloques` more blocks of the source
    // in this call (one at least; any number when negative). A line not complete by then gives Sigue, and the next
    // call goes on where this one stopped, so a caller can keep to a time
    // budget inside one huge line.
    enum class Paso { Linea, Fin, Sigue };
    Paso avanza(QByteArrayView& linea, int bloques);

    bool error() const { return m_error; }

    // The cut applied to the lines read from now on.
    void setLimite(qsizetype limite) { m_limite = limite < 0 ? 0 : limite; }

    // Bytes of the source consumed so far, line ends included.
    qint64 consumidos() const { return m_consumidos; }

private:
    // Moves the unread bytes to the front and appends one more block.
    // Answers how far the unread bytes moved; sets m_fin when nothing came.
    qsizetype rellena();

    QIODevice& m_dispositivo;
    qsizetype m_limite;
    QByteArray m_buffer;
    qsizetype m_inicio = 0; // first unread byte
    qsizetype m_final = 0;  // one past the last byte read
    qint64 m_consumidos = 0;
    // A line being read across calls of avanza(): where the search for its
    // end goes on, and where it was cut to the limit (-1: not cut); both -1
    // between lines.
    qsizetype m_busca = -1;
    qsizetype m_corte = -1;
    bool m_agotado = false;
    bool m_error = false;
};

} // namespace orv

#include "exportacion.h"

#include "archivoseguro.h"
#include "cp1252.h"
#include "frame.h"
#include "playback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace orv {
namespace {

bool esControl(unsigned char b)
{
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

TablaJson construyeTabla(bool paraHtml)
{
    // The escaping comes from Qt's JSON writer: each character is written as
    // a one-element array and the text between the quotes is kept.
    TablaJson tabla{};
    for (int b = 0; b < 256; ++b) {
        const char c = esControl(static_cast<unsigned char>(b)) ? ' ' : static_cast<char>(b);
        const QByteArray doc = QJsonDocument(QJsonArray{fromCp1252(QByteArrayView(&c, 1))})
                                   .toJson(QJsonDocument::Compact);
        QByteArray texto = doc.mid(2, doc.size() - 4); // drop [" and "]
        if (paraHtml && (c == '<' || c == '>' || c == '&'))
            texto = QByteArray("\\u00") + QByteArray::number(b, 16);
        CodigoJson& codigo = tabla[static_cast<size_t>(b)];
        Q_ASSERT(texto.size() < qsizetype(sizeof codigo.texto));
        std::memcpy(codigo.texto, texto.constData(), static_cast<size_t>(texto.size()));
        codigo.largo = static_cast<std::uint8_t>(texto.size());
        codigo.mismo = texto.size() == 1 && texto.at(0) == static_cast<char>(b);
    }
    return tabla;
}

// How many bytes from `c` on are plain ASCII that no table escapes (0x20 to
// 0x7E but for '"', '\\', '<', '>' and '&'), counted eight at a time: whole
// words only, so the caller looks at the rest byte by byte.
qsizetype tramoLlano(const unsigned char* c, qsizetype n)
{
    constexpr std::uint64_t unos = 0x0101010101010101ull;
    constexpr std::uint64_t altos = 0x8080808080808080ull;
    const auto tieneCero = [](std::uint64_t v) { return (v - unos) & ~v & altos; };
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t v;
        std::memcpy(&v, c + k, sizeof v);
        const std::uint64_t raro = (v & altos) | ((v - 0x20 * unos) & ~v & altos) |
                                   tieneCero(v ^ (0x7F * unos)) | tieneCero(v ^ ('"' * unos)) |
                                   tieneCero(v ^ ('\\' * unos)) | tieneCero(v ^ ('<' * unos)) |
                                   tieneCero(v ^ ('>' * unos)) | tieneCero(v ^ ('&' * unos));
        if (raro)
            break;
    }
    return k;
}

} // namespace

QByteArray cuadroVisible(const Pelicula& pelicula, int i)
{
    QByteArray texto = armaCuadro(pelicula, i);
    texto.replace("\r\n", "\n");
    for (char& c : texto) {
        if (c != '\n' && esControl(static_cast<unsigned char>(c)))
            c = ' ';
    }
    return texto;
}

namespace {

// The parts of an export, made on a helper thread while the caller's thread
// writes those before them. Parts go over in batches of about a megabyte;
// at most a few batches wait, so memory stays bounded however long the
// movie, and the buffers are used again.
class Taller
{
public:
    struct Tanda
    {
        QByteArray bytes;
        int hasta = 0; // the parts done once this batch is written: [-1, hasta)
    };

    Taller(int total, const std::function<void(int, QByteArray&)>& parte)
        : m_total(total), m_parte(parte), m_hilo([this] { trabaja(); })
    {
    }
    ~Taller()
    {
        {
            std::lock_guard bloqueo(m_mutex);
            m_parar = true;
        }
        m_cambio.notify_all();
        m_hilo.join();
    }

    // The next batch; false when every part was taken, or a part could not
    // be made (fallo()).
    bool toma(Tanda& tanda)
    {
        std::unique_lock bloqueo(m_mutex);
        m_cambio.wait(bloqueo, [this] { return !m_listas.empty() || m_acabado; });
        if (m_listas.empty())
            return false;
        m_libres.push_back(std::move(tanda.bytes));
        tanda = std::move(m_listas.front());
        m_listas.pop_front();
        bloqueo.unlock();
        m_cambio.notify_all();
        return true;
    }
    bool fallo() const
    {
        std::lock_guard bloqueo(m_mutex);
        return m_fallo;
    }

private:
    static constexpr qsizetype kTanda = qsizetype(1) << 20;
    static constexpr size_t kEnEspera = 4;

    void trabaja()
    {
        int i = -1;
        bool ok = true;
        while (ok && i <= m_total) {
            Tanda tanda;
            {
                std::unique_lock bloqueo(m_mutex);
                m_cambio.wait(bloqueo, [this] { return m_parar || m_listas.size() < kEnEspera; });
                if (m_parar)
                    break;
                if (!m_libres.empty()) {
                    tanda.bytes = std::move(m_libres.back());
                    m_libres.pop_back();
                }
            }
            tanda.bytes.resize(0);
            try {
                do
                    m_parte(i++, tanda.bytes);
                while (i <= m_total && tanda.bytes.size() < kTanda);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            tanda.hasta = i;
            {
                std::lock_guard bloqueo(m_mutex);
                if (ok)
                    m_listas.push_back(std::move(tanda));
                m_fallo = !ok;
            }
            m_cambio.notify_all();
        }
        {
            std::lock_guard bloqueo(m_mutex);
            m_acabado = true;
        }
        m_cambio.notify_all();
    }

    const int m_total;
    const std::function<void(int, QByteArray&)>& m_parte;
    mutable std::mutex m_mutex;
    std::condition_variable m_cambio;
    std::deque<Tanda> m_listas;
    std::vector<QByteArray> m_libres;
    bool m_parar = false, m_acabado = false, m_fallo = false;
    std::thread m_hilo; // last: it starts once everything above is ready
};

} // namespace

ResultadoExport escribeExport(const QString& ruta, const OpcionesExport& opciones, int total,
                              const std::function<void(int, QByteArray&)>& parte, QString* error)
{
    // Part -1 is what comes before the frames, part `total` what follows.
    ArchivoSeguro archivo(ruta);
    if (!archivo.abre()) {
        if (error)
            *error = archivo.error();
        return ResultadoExport::Fallo;
    }
    bool ok = true, sinMemoria = false;
    {
        Taller taller(total, parte);
        Taller::Tanda tanda;
        int avisados = 0; // frames the progress callback was told of
        while (ok && taller.toma(tanda)) {
            ok = archivo.escribe(tanda.bytes);
            for (const int hechos = std::min(tanda.hasta, total); ok && avisados < hechos;) {
                ++avisados;
                if (opciones.progreso && !opciones.progreso(avisados, total)) {
                    archivo.cancela();
                    return ResultadoExport::Cancelado;
                }
            }
        }
        sinMemoria = ok && taller.fallo();
        if (ok && !sinMemoria && archivo.termina())
            return ResultadoExport::Hecho;
    }
    if (error)
        *error = sinMemoria ? errorSinMemoria() : archivo.error();
    archivo.cancela();
    return ResultadoExport::Fallo;
}

QString errorSinMemoria()
{
    return QStringLiteral("No hay memoria suficiente para exportar la película.");
}

int pausaExport(const Pelicula& pelicula)
{
    return Playback::intervaloPara(pelicula.pausa);
}

const TablaJson& tablaJson(bool paraHtml)
{
    static const TablaJson json = construyeTabla(false);
    static const TablaJson html = construyeTabla(true);
    return paraHtml ? html : json;
}

void agregaCuadroJson(QByteArray& out, const Pelicula& pelicula, int i, const TablaJson& tabla,
                      bool rellenar, const std::function<void(QByteArray&, int)>& antesDeFila)
{
    // The hot loop of the text exports. The rows are read straight from the
    // movie's frame line, cut as armaCuadro() cuts them. Every code is copied
    // as a whole 8-byte block into a buffer with room to spare, and the end
    // moves by its real length; the buffer is cut to size after each row.
    const QByteArrayView linea = pelicula.cuadro(i);
    const qsizetype ancho = std::max<qsizetype>(pelicula.ancho, 0);
    const int filas = pelicula.alto > 0 ? pelicula.alto : 1;
    for (int fila = 0; fila < filas; ++fila) {
        const qsizetype desde = pelicula.alto > 0 ? qsizetype(fila) * ancho : linea.size();
        const qsizetype n = desde < linea.size() ? std::min(ancho, linea.size() - desde) : 0;
        antesDeFila(out, fila);
        const qsizetype relleno = rellenar ? std::max<qsizetype>(0, ancho - n) : 0;
        const qsizetype base = out.size();
        out.resize(base + n * qsizetype(sizeof(CodigoJson::texto)) + relleno);
        char* d = out.data() + base;
        const auto* c = reinterpret_cast<const unsigned char*>(linea.data() + std::min(desde, linea.size()));
        for (qsizetype k = 0; k < n;) {
            // Runs of plain ASCII (most of a picture) go over in one copy.
            const qsizetype fin = k + tramoLlano(c + k, n - k);
            std::memcpy(d, c + k, static_cast<size_t>(fin - k));
            d += fin - k;
            k = fin;
            // Then byte by byte up to the next whole word.
            const qsizetype hasta = std::min(n, k + 8);
            for (; k < hasta; ++k) {
                const CodigoJson& codigo = tabla[c[k]];
                std::memcpy(d, codigo.texto, sizeof codigo.texto);
                d += codigo.largo;
            }
        }
        std::memset(d, ' ', static_cast<size_t>(relleno));
        d += relleno;
        out.resize(d - out.constData());
    }
}

bool leeColor(QStringView texto, std::uint32_t& color)
{
    if (texto.startsWith(QLatin1Char('#')))
        texto = texto.mid(1);
    if (texto.size() != 6)
        return false;
    std::uint32_t valor = 0;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        int digito = -1;
        if (u >= u'0' && u <= u'9')
            digito = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digito = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digito = u - u'A' + 10;
        if (digito < 0)
            return false;
        valor = valor * 16 + static_cast<std::uint32_t>(digito);
    }
    color = valor;
    return true;
}

} // namespace orv

#include "exportacion.h"

#include "archivoexport.h"
#include "cp1252.h"
#include "frame.h"
#include "playback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>

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

ResultadoExport escribeExport(const QString& ruta, const OpcionesExport& opciones, int total,
                              const std::function<void(int, QByteArray&)>& parte, QString* error)
{
    // Part -1 is what comes before the frames, part `total` what follows.
    // One buffer serves every part: a frame's text is large enough that a
    // fresh allocation each time would cost more than writing it.
    ArchivoExport archivo(ruta);
    QByteArray buffer;
    const auto escribeParte = [&](int i) {
        buffer.resize(0);
        parte(i, buffer);
        return archivo.escribe(buffer);
    };
    bool ok = archivo.abre() && escribeParte(-1);
    for (int i = 0; ok && i < total; ++i) {
        ok = escribeParte(i);
        if (ok && opciones.progreso && !opciones.progreso(i + 1, total)) {
            archivo.cancela();
            return ResultadoExport::Cancelado;
        }
    }
    if (ok && escribeParte(total) && archivo.termina())
        return ResultadoExport::Hecho;
    if (error)
        *error = archivo.error();
    archivo.cancela();
    return ResultadoExport::Fallo;
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
    // The hot loop of the text exports: every code is copied as a whole
    // 8-byte block into a buffer with room to spare, and the end moves by its
    // real length; the buffer is cut to size after each row.
    const QByteArray cuadro = armaCuadro(pelicula, i);
    const qsizetype ancho = std::max<qsizetype>(pelicula.ancho, 0);
    qsizetype desde = 0;
    for (int fila = 0; desde <= cuadro.size(); ++fila) {
        qsizetype hasta = cuadro.indexOf("\r\n", desde);
        if (hasta < 0)
            hasta = cuadro.size();
        antesDeFila(out, fila);
        const qsizetype n = hasta - desde;
        const qsizetype relleno = rellenar ? std::max<qsizetype>(0, ancho - n) : 0;
        const qsizetype base = out.size();
        out.resize(base + n * qsizetype(sizeof(CodigoJson::texto)) + relleno);
        char* d = out.data() + base;
        const auto* c = reinterpret_cast<const unsigned char*>(cuadro.constData() + desde);
        for (qsizetype k = 0; k < n;) {
            // Runs of bytes that stand for themselves (most of an ASCII
            // picture) go over in one copy.
            qsizetype fin = k;
            while (fin < n && tabla[c[fin]].mismo)
                ++fin;
            std::memcpy(d, c + k, static_cast<size_t>(fin - k));
            d += fin - k;
            k = fin;
            if (k < n) {
                const CodigoJson& codigo = tabla[c[k++]];
                std::memcpy(d, codigo.texto, sizeof codigo.texto);
                d += codigo.largo;
            }
        }
        std::memset(d, ' ', static_cast<size_t>(relleno));
        d += relleno;
        out.resize(d - out.constData());
        desde = hasta + 2;
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

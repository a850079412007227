#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace orv {

class PasswordProvider;

// The four modes of the Compactor, and none when the stored settings select
// no mode (every file is then only reported).
enum class ModoCompactacion { Automatico, SoloComprimir, SoloDescomprimir, Analizar, Ninguno };

// The steps of a compression or decompression that can fail; the fault seam
// names them.
enum class PasoCompactacion { Construccion, Comprobacion, Volcado, Renombrado, Extraccion };

// What became of one file.
enum class EstadoArchivo {
    Comprimido,
    Descomprimido,
    Informado,       // only reported: "No es OVT", "Está comprimido", ...
    NoProcesado,     // read-only or hidden, brute force off
    Error,           // an error line was written; the movie is as it was
    ErrorConstruccion, // the archive build answered non-zero: the run must end
};

struct ResultadoArchivo
{
    EstadoArchivo estado = EstadoArchivo::Informado;
    QStringList lineas; // this file's history lines, without time lines
};

// The compaction engine: handles one path at a time according to the mode
// and brute force, writing every outcome as a history line. A movie is only
// ever replaced by a complete, checked file renamed over it from a scratch
// file in its own folder; on any failure the movie is byte-identical to
// before and no scratch file is left. Nothing is written anywhere else.
class Compactador
{
public:
    using Historial = std::function<void(const QString& linea)>;
    using FallaPaso = std::function<bool(PasoCompactacion)>; // false: the step fails
    using Reloj = std::function<QDateTime()>;

    explicit Compactador(Historial historial = {});

    ModoCompactacion modo() const { return m_modo; }
    void setModo(ModoCompactacion modo) { m_modo = modo; }
    bool fuerzaBruta() const { return m_fuerzaBruta; }
    void setFuerzaBruta(bool si) { m_fuerzaBruta = si; }

    // The largest movie handled (1 GiB by default); larger ones get an error line.
    void setTamanoMaximo(qint64 bytes) { m_tamanoMaximo = bytes; }
    // Runs between steps, so that a window keeps painting.
    void setAvance(std::function<void(const QString& ruta)> avance) { m_avance = std::move(avance); }
    void setFallaPaso(FallaPaso falla) { m_falla = std::move(falla); }
    void setReloj(Reloj reloj) { m_reloj = std::move(reloj); }
    // Asked for the password of an encrypted archive; without one, such an
    // archive is left as it is with an error line.
    void setContrasenas(PasswordProvider* contrasenas) { m_contrasenas = contrasenas; }

    ResultadoArchivo procesaArchivo(const QString& ruta);

    // Appends a history line, preceded by its time line outside "Analizar
    // archivos".
    void agregaHistorial(const QString& linea);

    // The summary line after a batch of `cuantos` dropped items.
    static QString lineaResumen(int cuantos);
    // " [" + date and time in the locale's short format + "]".
    static QString lineaDeHora(const QDateTime& momento);
    static bool esLineaDeHora(const QString& linea);

private:
    void reporta(const QString& prefijo, const QString& ruta);
    bool falla(PasoCompactacion paso) const;
    void avanza(const QString& ruta) const;
    void comprime(const QString& ruta);
    void descomprime(const QString& ruta);
    QString temporalPara(const QFileInfo& pelicula);

    Historial m_historial;
    ModoCompactacion m_modo = ModoCompactacion::Automatico;
    bool m_fuerzaBruta = true;
    qint64 m_tamanoMaximo = qint64(1) << 30;
    std::function<void(const QString&)> m_avance;
    FallaPaso m_falla;
    Reloj m_reloj;
    PasswordProvider* m_contrasenas = nullptr;
    QSet<QString> m_carpetasLimpias; // folders whose stray scratch files are gone
    ResultadoArchivo* m_actual = nullptr;
};

// Compresses one plain movie in place, as the Compactor's "Sólo comprimir"
// with brute force: for the programs that write movies. True when the movie
// was compressed; `lineas` receives the file's history lines (without time
// lines), the error line included when it was not.
bool comprimePeliculaEnSitio(const QString& ruta, QStringList* lineas = nullptr);

} // namespace orv

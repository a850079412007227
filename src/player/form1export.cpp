#include "form1.h"

#include "castexport.h"
#include "gifexport.h"
#include "htmlexport.h"
#include "pantalla.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "videoexport.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

namespace orv::player {
namespace {

const QString kTitulo = QStringLiteral("Exportar película");
const QString kFiltro = QStringLiteral("GIF animado (*.gif)|*.gif|Página web (*.html)|*.html|"
                                       "Grabación de terminal (*.cast)|*.cast|"
                                       "Video MP4 (*.mp4)|*.mp4|Video WebM (*.webm)|*.webm");

std::uint32_t rgb(const QColor& c)
{
    return c.rgb() & 0xFFFFFFu;
}

} // namespace

// "Exportar..." sits below "&Abrir..." and is usable exactly while a movie
// is loaded, which is when "&Cerrar" is: it follows that entry's state.
void Form1::creaMenuExportar(QMenu* archivo)
{
    m_menuExportar = new QAction(QStringLiteral("&Exportar..."), archivo);
    m_menuExportar->setObjectName(QStringLiteral("menu_exportar"));
    archivo->insertAction(m_menuCerrarPelicula, m_menuExportar);
    m_menuExportar->setEnabled(m_menuCerrarPelicula->isEnabled());
    connect(m_menuCerrarPelicula, &QAction::enabledChanged, m_menuExportar, &QAction::setEnabled);
    connect(m_menuExportar, &QAction::triggered, this, &Form1::menu_exportar_Click);
}

// Writes the movie as the kind the chosen name ends in, drawn (for the GIF)
// in the display's own font and colours. The dialog offers the movie's own
// name in its folder; the kind chosen there gives the extension.
void Form1::menu_exportar_Click()
{
    const QFileInfo pelicula(m_pelicula.rutaPelicula);
    const QString ruta = ui::prompt().guardarArchivo(
        this, kTitulo, kFiltro, pelicula.absolutePath() + QLatin1Char('/') + pelicula.completeBaseName());
    if (ruta.isEmpty())
        return;
    const QString ext = QFileInfo(ruta).suffix().toLower();
    static const QStringList kClases{QStringLiteral("gif"), QStringLiteral("html"), QStringLiteral("htm"),
                                     QStringLiteral("cast"), QStringLiteral("mp4"), QStringLiteral("webm")};
    if (!kClases.contains(ext)) {
        ui::prompt().mensaje(
            this,
            QStringLiteral("El nombre del archivo debe terminar en .gif, .html, .cast, .mp4 o .webm.\r\n") +
                ruta,
            kTitulo, ui::Icono::Exclamacion, ui::Botones::Aceptar);
        return;
    }
    if (!ui::confirmaReemplazo(this, ruta))
        return;
    OpcionesExport opciones;
    opciones.puntos = m_pantalla->font().pointSizeF();
    opciones.letras = rgb(m_pantalla->colorLetras());
    opciones.fondo = rgb(m_pantalla->colorFondo());
    // A long export shows its progress and can be cancelled; the dialog is
    // window-modal, so nothing can close or replace the movie meanwhile.
    QProgressDialog progreso(QStringLiteral("Exportando película..."), QStringLiteral("Cancelar"),
                             0, m_pelicula.numCuadros, this);
    progreso.setWindowTitle(kTitulo);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(500);
    ui::anchoParaTitulo(progreso);
    opciones.progreso = [&progreso](int hechos, int) {
        progreso.setValue(hechos);
        return !progreso.wasCanceled();
    };
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ResultadoExport r = ResultadoExport::Fallo;
    if (ext == QLatin1String("gif"))
        r = render::exportaGif(m_pelicula, ruta, m_pantalla->font(), opciones, &error);
    else if (ext == QLatin1String("cast"))
        r = exportaCast(m_pelicula, ruta, opciones, &error);
    else if (ext == QLatin1String("mp4") || ext == QLatin1String("webm"))
        r = render::exportaVideo(m_pelicula, ruta, m_pantalla->font(), opciones,
                                 ext == QLatin1String("mp4") ? render::FormatoVideo::Mp4 : render::FormatoVideo::WebM,
                                 &error);
    else
        r = exportaHtml(m_pelicula, ruta, opciones, &error);
    QApplication::restoreOverrideCursor();
    progreso.reset();
    if (r == ResultadoExport::Fallo) {
        ui::prompt().mensaje(this,
                             QStringLiteral("No se pudo exportar la película a\r\n") + ruta +
                                 QStringLiteral("\r\n\r\n") + error,
                             kTitulo, ui::Icono::Critico, ui::Botones::Aceptar);
    }
}

} // namespace orv::player

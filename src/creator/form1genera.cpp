// "Generar película..." and "Importar video...": read the controls, ask for
// the file name, run the core's generation or import with the progress
// shown, and report the end.
#include "form1.h"

#include "adelantado.h"
#include "compactorstart.h"
#include "dialogovideo.h"
#include "generacion.h"
#include "moviewriter.h"
#include "listaarchivos.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "vistaprevia.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>

namespace orv::creator {

QString Form1::pideRuta()
{
    const QString elegido = ui::prompt().guardarArchivo(
        this, QStringLiteral("Guardar película ASCII"),
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"), m_ultimoElegido);
    if (elegido.isEmpty()) {
        ui::prompt().mensaje(this, mensajeErrorGenerico(), tituloErrorGeneracion(),
                             ui::Icono::Critico, ui::Botones::Aceptar);
        return {};
    }
    m_ultimoElegido = elegido;
    const QString ruta = nombrePelicula(elegido);
    return ui::confirmaReemplazo(this, ruta) ? ruta : QString();
}

// Ends a movie written: the Compactor when asked, else the success message.
void Form1::terminaEscrita(const QString& ruta)
{
    if (m_check1->isChecked())
        ui::comprimePelicula(this, ruta);
    else
        ui::prompt().mensaje(this, mensajeCreada(), tituloCreada(), ui::Icono::Informacion, ui::Botones::Aceptar);
}

// "Importar video...": a clip, how it becomes a movie, where it goes; then
// the import with its progress, the author from the window, the pause from
// the frames a second, and the compression choice as "Generar película...".
void Form1::menu_importar_video_Click()
{
    if (m_generando)
        return;
    const QString clip = ui::prompt().abrirArchivo(
        this, QStringLiteral("Importar video"),
        QStringLiteral("Videos y animaciones (*.mp4;*.m4v;*.webm;*.mkv;*.avi;*.mov;*.gif)|"
                       "*.mp4;*.m4v;*.webm;*.mkv;*.avi;*.mov;*.gif|Todos los archivos (*.*)|*.*"));
    if (clip.isEmpty())
        return;
    // What is no clip is said at once, before any choice is asked for.
    QSize celdas;
    video::ResultadoVideo prueba;
    video::primerCuadro(clip, {}, celdas, prueba.estado);
    if (prueba.estado == video::EstadoVideo::NoEsVideo || prueba.estado == video::EstadoVideo::SinVideo) {
        ui::prompt().mensaje(this, video::mensajeVideo(prueba, clip), tituloErrorGeneracion(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        return;
    }
    DialogoVideo dialogo(clip, this);
    if (dialogo.exec() != QDialog::Accepted)
        return;
    video::OpcionesVideo opciones = dialogo.opciones();
    opciones.creador = m_creador->text();
    if (const auto error = validaDatos(QStringLiteral("100"), opciones.creador)) {
        ui::prompt().mensaje(this, *error, tituloErrorGeneracion(), ui::Icono::Critico, ui::Botones::Aceptar);
        return;
    }
    const QString ruta = pideRuta();
    if (ruta.isEmpty())
        return;
    m_generando = true;
    QProgressDialog progreso(QStringLiteral("Importando el video..."), QStringLiteral("Cancelar"), 0, 0, this);
    progreso.setWindowTitle(windowTitle());
    ui::anchoParaTitulo(progreso);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(m_esperaProgreso);
    progreso.setAutoReset(false);
    progreso.setAutoClose(false);
    const video::ResultadoVideo r = video::importaVideo(clip, ruta, opciones, [&progreso](int hechos, int total) {
        progreso.setMaximum(total);
        progreso.setValue(hechos);
        if (!progreso.isVisible())
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !progreso.wasCanceled();
    });
    progreso.close();
    m_generando = false;
    if (r.estado == video::EstadoVideo::Creada)
        terminaEscrita(ruta);
    else if (r.estado != video::EstadoVideo::Cancelada)
        ui::prompt().mensaje(this, video::mensajeVideo(r, clip), tituloErrorGeneracion(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
}

// The list's paths, or nothing after the message when the pause or the
// author would not do.
std::optional<QStringList> Form1::listaValida()
{
    const QStringList rutas = m_list1->rutas();
    if (rutas.isEmpty())
        return std::nullopt;
    if (const auto error = validaDatos(m_velocidad->currentText(), m_creador->text())) {
        ui::prompt().mensaje(this, *error, tituloErrorGeneracion(), ui::Icono::Critico, ui::Botones::Aceptar);
        return std::nullopt;
    }
    return rutas;
}

// The engine's run over the list into `escritor`, with the working picture
// and the progress; a failure is reported here, a success is the caller's.
bool Form1::construye(MovieWriter& escritor, const QStringList& rutas)
{
    QProgressDialog progreso(QStringLiteral("Generando la película ASCII..."),
                             QStringLiteral("Cancelar"), 0, int(rutas.size()), this);
    progreso.setObjectName(QStringLiteral("progreso"));
    progreso.setWindowTitle(windowTitle());
    ui::anchoParaTitulo(progreso);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(m_esperaProgreso);
    progreso.setAutoReset(false);
    progreso.setAutoClose(false);
    progreso.setValue(0);

    m_generando = true;
    m_picture1->show();
    imaging::DecodificadorAdelantado decodificador(rutas);
    const CargaImagen carga = [this, &decodificador](int) -> std::unique_ptr<Imagen> {
        imaging::Decodificada img = decodificador.siguiente();
        if (img.imagen) {
            m_picture1->setPixmap(QPixmap::fromImage(*img.imagen));
            m_picture1->resize(img.imagen->size());
        }
        return std::move(img).paraGeneracion();
    };
    const AvanceGeneracion avance = [&progreso](int hechos) {
        progreso.setValue(hechos);
        // Until the progress shows, keep painting but take no clicks.
        if (!progreso.isVisible())
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !progreso.wasCanceled();
    };
    const ResultadoGeneracion r = orv::generaPelicula(
        escritor, {int(rutas.size()), m_velocidad->currentText(), m_creador->text()}, carga, avance);
    m_picture1->hide();
    m_picture1->clear();
    progreso.close();
    m_generando = false;

    switch (r.tipo) {
    case Resultado::Creada:
        return true;
    case Resultado::ListaVacia:
    case Resultado::Cancelada:
        return false;
    default:
        ui::prompt().mensaje(this, mensajeGeneracion(r, rutas), tituloErrorGeneracion(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        return false;
    }
}

void Form1::generaPelicula()
{
    const std::optional<QStringList> rutas = listaValida();
    if (!rutas)
        return;
    const QString ruta = pideRuta();
    if (ruta.isEmpty())
        return;
    MovieWriter escritor(ruta);
    if (construye(escritor, *rutas))
        terminaEscrita(ruta);
}

// "Vista previa de la película...": the same run as "Generar película...",
// into memory, shown in the viewer.
void Form1::menu_vista_previa_Click()
{
    if (m_generando)
        return;
    const std::optional<QStringList> rutas = listaValida();
    if (!rutas)
        return;
    QByteArray bytes;
    MovieWriter escritor(&bytes);
    if (construye(escritor, *rutas))
        visor::abreVistaPrevia(this, std::move(bytes));
}

} // namespace orv::creator

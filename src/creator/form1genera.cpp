// "Generar película...": reads the controls, asks for the file name, runs the
// core's generation with the working picture and the progress shown, and
// reports the end.
#include "form1.h"

#include "adelantado.h"
#include "compactorstart.h"
#include "generacion.h"
#include "moviewriter.h"
#include "listaarchivos.h"
#include "prompt.h"
#include "qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>

namespace orv::creator {

void Form1::generaPelicula()
{
    QStringList rutas;
    for (int i = 0; i < m_list1->count(); ++i)
        rutas.append(m_list1->item(i)->text());
    if (rutas.isEmpty())
        return;

    const QString pausa = m_velocidad->currentText();
    const QString creador = m_creador->text();
    if (const auto error = validaDatos(pausa, creador)) {
        ui::prompt().mensaje(this, *error, tituloErrorGeneracion(), ui::Icono::Critico,
                             ui::Botones::Aceptar);
        return;
    }
    const QString elegido = ui::prompt().guardarArchivo(
        this, QStringLiteral("Guardar película ASCII"),
        QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*"), m_ultimoElegido);
    if (elegido.isEmpty()) {
        ui::prompt().mensaje(this, mensajeErrorGenerico(), tituloErrorGeneracion(),
                             ui::Icono::Critico, ui::Botones::Aceptar);
        return;
    }
    m_ultimoElegido = elegido;
    const QString ruta = nombrePelicula(elegido);
    if (!ui::confirmaReemplazo(this, ruta))
        return;

    QProgressDialog progreso(QStringLiteral("Generando la película ASCII..."),
                             QStringLiteral("Cancelar"), 0, int(rutas.size()), this);
    progreso.setWindowTitle(windowTitle());
    ui::anchoParaTitulo(progreso);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(m_esperaProgreso);
    progreso.setAutoReset(false);
    progreso.setAutoClose(false);
    progreso.setValue(0);

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
    const ResultadoGeneracion r =
        orv::generaPelicula(ruta, {int(rutas.size()), pausa, creador}, carga, avance);
    m_picture1->hide();
    m_picture1->clear();
    progreso.close();

    switch (r.tipo) {
    case Resultado::Creada:
        if (m_check1->isChecked())
            ui::comprimePelicula(this, ruta);
        else
            ui::prompt().mensaje(this, mensajeCreada(), tituloCreada(), ui::Icono::Informacion,
                                 ui::Botones::Aceptar);
        break;
    case Resultado::ListaVacia:
    case Resultado::Cancelada:
        break;
    default:
        ui::prompt().mensaje(this, mensajeGeneracion(r, rutas), tituloErrorGeneracion(),
                             ui::Icono::Critico, ui::Botones::Aceptar);
        break;
    }
}

} // namespace orv::creator

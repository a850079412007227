// The batch, the drops that start it, the stored mode and the menus.
#include "form1.h"

#include "cgzipfiles.h"
#include "form2.h"
#include "frmabout.h"
#include "listaarchivos.h"
#include "numeric.h"
#include "prompt.h"
#include "promptpasswords.h"
#include "settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QScopeGuard>
#include <QUrl>

namespace orv::compactor {
namespace {


QString uno(bool si) { return si ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

void Form1::cargaModo()
{
    // Each stored "1" selects its option and unselects the others, in this
    // order; with no "1" at all no option stays selected.
    const std::pair<QRadioButton*, const char*> orden[] = {
        {m_mauto, "mAu"}, {m_mcomp, "mSc"}, {m_mdesc, "mSd"}, {m_manal, "mAn"}};
    for (const auto& [boton, nombre] : orden)
        boton->setAutoExclusive(false);
    for (const auto& [boton, nombre] : orden) {
        const bool elegido = leeValor(regProg() + QLatin1String(nombre)) == QLatin1String("1");
        if (elegido)
            for (const auto& [otro, n] : orden)
                otro->setChecked(false);
        boton->setChecked(elegido);
    }
    for (const auto& [boton, nombre] : orden)
        boton->setAutoExclusive(true);
    m_check1->setChecked(numericValue(leeValor(regProg() + QLatin1String("mFb"))) != 0);
}

void Form1::guardaModo()
{
    guardaValor(regProg() + QLatin1String("mAu"), uno(m_mauto->isChecked()));
    guardaValor(regProg() + QLatin1String("mSc"), uno(m_mcomp->isChecked()));
    guardaValor(regProg() + QLatin1String("mSd"), uno(m_mdesc->isChecked()));
    guardaValor(regProg() + QLatin1String("mAn"), uno(m_manal->isChecked()));
    guardaValor(regProg() + QLatin1String("mFb"), uno(m_check1->isChecked()));
}

ModoCompactacion Form1::modoSeleccionado() const
{
    if (m_mauto->isChecked())
        return ModoCompactacion::Automatico;
    if (m_mcomp->isChecked())
        return ModoCompactacion::SoloComprimir;
    if (m_mdesc->isChecked())
        return ModoCompactacion::SoloDescomprimir;
    if (m_manal->isChecked())
        return ModoCompactacion::Analizar;
    return ModoCompactacion::Ninguno;
}

bool Form1::procesaLote(const QStringList& rutas)
{
    if (m_ocupado)
        return false;
    m_ocupado = true;
    habilitaEntrada(false);
    m_list1->clear();
    // Long files and long batches keep the window painting and show which
    // file is being handled.
    auto pinta = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    CodeModule::setZipEventPump(pinta);
    const auto fin = qScopeGuard([this] {
        CodeModule::setZipEventPump({});
        m_archivoEnCurso->clear();
        m_ocupado = false;
    });
    Compactador motor([this](const QString& linea) {
        m_list1->addItem(linea);
        m_list1->setCurrentRow(m_list1->count() - 1);
    });
    motor.setModo(modoSeleccionado());
    motor.setFuerzaBruta(m_check1->isChecked());
    motor.setFallaPaso(m_falla);
    motor.setAvance([this, pinta](const QString& ruta) {
        m_archivoEnCurso->setText(ruta);
        pinta();
    });
    ui::PromptPasswords contrasenas(this, windowTitle());
    motor.setContrasenas(&contrasenas);
    for (const QString& ruta : rutas) {
        if (motor.procesaArchivo(ruta).estado == EstadoArchivo::ErrorConstruccion) {
            terminaPorError();
            return true;
        }
    }
    motor.agregaHistorial(Compactador::lineaResumen(static_cast<int>(rutas.size())));
    habilitaEntrada(true);
    m_list1->scrollToBottom(); // the summary in view once the drop box is back
    return true;
}

// A failed archive build ends the program, as it always has; the engine has
// already put the movie back as it was and removed its scratch file. The
// program ends from the event loop, never inside the event being handled.
void Form1::terminaPorError()
{
    ui::prompt().mensaje(this, QStringLiteral("Error"), QStringLiteral("Orvane ASCII Compactor"),
                         ui::Icono::Ninguno, ui::Botones::Aceptar);
    hide();
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

// The batch runs once the drop has returned: the system's drag and drop is
// finished with before the first file is touched, and before the program
// can end.
void Form1::Frame1_OLEDragDrop(const QMimeData* datos)
{
    agregaLote(ui::rutasSoltadas(datos));
}

// Dropped or chosen in "Agregar películas...", the paths take one road.
void Form1::agregaLote(const QStringList& rutas)
{
    if (rutas.isEmpty() || m_ocupado || m_lotePendiente)
        return;
    m_lotePendiente = true;
    QMetaObject::invokeMethod(
        this,
        [this, rutas] {
            m_lotePendiente = false;
            procesaLote(rutas);
        },
        Qt::QueuedConnection);
}

bool Form1::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto != m_frame1 && objeto != m_label1)
        return QMainWindow::eventFilter(objeto, evento);
    switch (evento->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* arrastre = static_cast<QDragMoveEvent*>(evento);
        if (!m_ocupado && !m_lotePendiente && !ui::rutasSoltadas(arrastre->mimeData()).isEmpty())
            arrastre->acceptProposedAction();
        else
            arrastre->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* suelta = static_cast<QDropEvent*>(evento);
        if (m_ocupado || m_lotePendiente) {
            suelta->ignore();
            return true;
        }
        suelta->acceptProposedAction();
        Frame1_OLEDragDrop(suelta->mimeData());
        return true;
    }
    default:
        return QMainWindow::eventFilter(objeto, evento);
    }
}

void Form1::List1_DblClick()
{
    if (m_verHistorial->isEnabled())
        menu_verhistorial_Click();
}

void Form1::menu_verhistorial_Click()
{
    QStringList lineas;
    for (int i = 0; i < m_list1->count(); ++i)
        lineas << m_list1->item(i)->text();
    Form2 visor(lineas, this);
    visor.exec();
}

void Form1::menu_acerca_Click()
{
    ui::FrmAbout acerca(ui::Producto::Compactor, this);
    acerca.exec();
}

void Form1::menu_salir_Click()
{
    close();
    QCoreApplication::quit();
}

} // namespace orv::compactor

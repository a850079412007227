#include "runplayer.h"

#include "commandline.h"
#include "form1.h"
#include "nativename.h"
#include "pictures.h"
#include "playersettings.h"
#include "splash.h"
#include "translations.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <functional>

namespace orv::player {
namespace {

// Runs an action once a window is on screen: mapped, placed by the window
// manager and exposed. A message shown before then has no placed window to
// centre on. A window kept minimized is never exposed; the action then runs
// at once.
class AlMostrarse : public QObject
{
public:
    AlMostrarse(QWidget* ventana, std::function<void()> accion)
        : QObject(ventana), m_ventana(ventana), m_accion(std::move(accion))
    {
        QWindow* nativa = ventana->windowHandle();
        if (nativa == nullptr || nativa->isExposed() || ventana->isMinimized()) {
            ejecuta();
            return;
        }
        nativa->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_ventana->windowHandle()->isExposed()) {
            objeto->removeEventFilter(this);
            ejecuta();
        }
        return false;
    }

private:
    // Queued, so that the window's own handling of this moment (its first
    // paint, its placement) comes first.
    void ejecuta()
    {
        QTimer::singleShot(0, m_ventana, [accion = m_accion] { accion(); });
        deleteLater();
    }

    QWidget* m_ventana;
    std::function<void()> m_accion;
};

} // namespace

ui::Splash* iniciaPlayer(const QStringList& argumentos, std::unique_ptr<Form1>& form1)
{
    const QString ruta = rutaDeLineaDeComandos(argumentos);
    auto muestraPrincipal = [&form1, ruta] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
        if (!ruta.isEmpty()) {
            // Once the window is on screen, so that a failure message is
            // centred on it.
            Form1* ventana = form1.get();
            new AlMostrarse(ventana, [ventana, ruta] { ventana->abrePelicula(ruta, false); });
        }
    };
    return ui::iniciaConSplash(ui::Producto::Player, ocultaSplash(), muestraPrincipal);
}

int runPlayer(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvPlayer"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Producto::Player));
    QApplication::setDesktopFileName(QStringLiteral("orvane-player"));
    ui::instalaTraducciones(app);
    std::unique_ptr<Form1> form1;
    // After QApplication has taken its own options out of argv.
    iniciaPlayer(argumentsAsGiven(argc, argv).mid(1), form1);
    return QApplication::exec();
}

} // namespace orv::player

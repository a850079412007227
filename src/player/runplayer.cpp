#include "runplayer.h"

#include "commandline.h"
#include "form1.h"
#include "pictures.h"
#include "playersettings.h"
#include "splash.h"
#include "translations.h"

#include <QApplication>
#include <QTimer>

namespace orv::player {

ui::Splash* iniciaPlayer(const QStringList& argumentos, std::unique_ptr<Form1>& form1)
{
    const QString ruta = rutaDeLineaDeComandos(argumentos);
    auto muestraPrincipal = [&form1, ruta] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
        if (!ruta.isEmpty()) {
            // Once the window is up, so that a failure message has it behind.
            Form1* ventana = form1.get();
            QTimer::singleShot(0, ventana, [ventana, ruta] { ventana->abrePelicula(ruta, false); });
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
    iniciaPlayer(QApplication::arguments().mid(1), form1);
    return QApplication::exec();
}

} // namespace orv::player

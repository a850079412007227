#include "runcreator.h"

#include "form1.h"
#include "pictures.h"
#include "splash.h"
#include "translations.h"

#include <QApplication>

namespace orv::creator {

ui::Splash* iniciaCreator(std::unique_ptr<Form1>& form1)
{
    auto muestraPrincipal = [&form1] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
    };
    return ui::iniciaConSplash(ui::Producto::Creator, false, muestraPrincipal);
}

int runCreator(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvCreator"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Producto::Creator));
    QApplication::setDesktopFileName(QStringLiteral("orvane-creator"));
    ui::instalaTraducciones(app);
    std::unique_ptr<Form1> form1;
    iniciaCreator(form1);
    return QApplication::exec();
}

} // namespace orv::creator

#include "runcreator.h"

#include "form1.h"
#include "pictures.h"
#include "splash.h"
#include "translations.h"

#include <QApplication>

namespace orv::creator {

ui::Splash* startCreator(std::unique_ptr<Form1>& form1)
{
    auto showMain = [&form1] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
    };
    return ui::startWithSplash(ui::Product::Creator, false, showMain);
}

int runCreator(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvCreator"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Product::Creator));
    QApplication::setDesktopFileName(QStringLiteral("orvane-creator"));
    ui::installTranslations(app);
    std::unique_ptr<Form1> form1;
    startCreator(form1);
    return QApplication::exec();
}

} // namespace orv::creator

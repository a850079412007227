#include "runconverter.h"

#include "form1.h"
#include "pictures.h"
#include "splash.h"
#include "translations.h"

#include <QApplication>

namespace orv::converter {

ui::Splash* startConverter(std::unique_ptr<Form1>& form1)
{
    return ui::startWithSplash(ui::Product::Converter, false, [&form1] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
    });
}

int runConverter(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvConverter"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Product::Converter));
    QApplication::setDesktopFileName(QStringLiteral("orvane-converter"));
    ui::installTranslations(app);
    std::unique_ptr<Form1> form1;
    startConverter(form1);
    return QApplication::exec();
}

} // namespace orv::converter

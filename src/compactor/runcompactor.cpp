#include "runcompactor.h"

#include "commandline.h"
#include "form1.h"
#include "pictures.h"
#include "splash.h"
#include "translations.h"
#include "filename.h"

#include <QApplication>

namespace orv::compactor {

bool startFromArguments(const QStringList& arguments, std::unique_ptr<Form1>& form1)
{
    if (const std::optional<QString> path = commandLinePath(arguments)) {
        processCommandLine(FileName::fromText(*path));
        return true;
    }
    ui::startWithSplash(ui::Product::Compactor, false, [&form1] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
    });
    return false;
}

int runCompactor(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvCompactor"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Product::Compactor));
    QApplication::setDesktopFileName(QStringLiteral("orvane-compactor"));
    ui::installTranslations(app);
    // `Ruta` first, whatever kind of start this is: it is how the other
    // programs find the Compactor.
    writePath();
    std::unique_ptr<Form1> form1;
    // Arguments by their bytes: a name that is not UTF-8 still opens.
    if (startFromArguments(argumentsAsGiven(argc, argv).mid(1), form1))
        return 0;
    return QApplication::exec();
}

} // namespace orv::compactor

#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orv::ui {

bool installTranslations(QCoreApplication& app)
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto* qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

} // namespace orv::ui

#include "editorwindow.h"

#include "filename.h"
#include "pictures.h"
#include "translations.h"
#include "version.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    if (orv::asksForVersion(argc, argv))
        return orv::printVersion(QStringLiteral("OrvEditor"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvEditor"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(orv::ui::productIcon(orv::ui::Product::Editor));
    QApplication::setDesktopFileName(QStringLiteral("orvane-suite-editor"));
    orv::ui::installTranslations(app);
    orv::editor::EditorWindow window;
    window.show();
    // After QApplication has taken its own options out of argv.
    const QStringList arguments = orv::argumentsAsGiven(argc, argv).mid(1);
    if (!arguments.isEmpty()) {
        const orv::FileName movie = orv::FileName::fromText(arguments.first());
        QTimer::singleShot(0, &window, [&window, movie] { window.openMovie(movie); });
    }
    return QApplication::exec();
}

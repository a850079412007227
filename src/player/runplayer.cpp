#include "runplayer.h"

#include "commandline.h"
#include "form1.h"
#include "filename.h"
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
class OnShown : public QObject
{
public:
    OnShown(QWidget* window, std::function<void()> action)
        : QObject(window), m_window(window), m_action(std::move(action))
    {
        QWindow* native = window->windowHandle();
        if (native == nullptr || native->isExposed() || window->isMinimized()) {
            run();
            return;
        }
        native->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_window->windowHandle()->isExposed()) {
            object->removeEventFilter(this);
            run();
        }
        return false;
    }

private:
    // Queued, so that the window's own handling of this moment (its first
    // paint, its placement) comes first.
    void run()
    {
        QTimer::singleShot(0, m_window, [action = m_action] { action(); });
        deleteLater();
    }

    QWidget* m_window;
    std::function<void()> m_action;
};

} // namespace

ui::Splash* startPlayer(const QStringList& arguments, std::unique_ptr<Form1>& form1)
{
    const FileName path = commandLinePath(arguments);
    auto showMain = [&form1, path] {
        if (form1)
            return;
        form1 = std::make_unique<Form1>();
        form1->show();
        if (!path.isEmpty()) {
            // Once the window is on screen, so that a failure message is
            // centred on it.
            Form1* window = form1.get();
            new OnShown(window, [window, path] { window->abrePelicula(path, false); });
        }
    };
    return ui::startWithSplash(ui::Product::Player, hideSplash(), showMain);
}

int runPlayer(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvPlayer"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(ui::productIcon(ui::Product::Player));
    QApplication::setDesktopFileName(QStringLiteral("orvane-player"));
    ui::installTranslations(app);
    std::unique_ptr<Form1> form1;
    // After QApplication has taken its own options out of argv.
    startPlayer(argumentsAsGiven(argc, argv).mid(1), form1);
    return QApplication::exec();
}

} // namespace orv::player

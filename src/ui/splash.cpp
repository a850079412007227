#include "splash.h"

#include "picturebox.h"
#include "pictures.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace orv::ui {

Splash::Splash(Product product, std::function<void()> showMain)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_picture(new PictureBox(product, this)), m_timer(new QTimer(this)),
      m_showMain(std::move(showMain))
{
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(productTitle(product));
    setWindowIcon(productIcon(product));

    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setCaption(productTitle(product));
    m_picture->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);
    setFixedSize(480, 220);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    m_timer->setObjectName(QStringLiteral("splashTimer"));
    m_timer->setInterval(kInterval);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &Splash::deliver);
    connect(m_picture, &PictureBox::clicked, this, &Splash::deliver);
    m_timer->start();
}

void Splash::deliver()
{
    // A click may arrive in the same event round as the tick.
    if (m_delivered)
        return;
    m_delivered = true;
    m_timer->stop();
    // Hidden first, so that a message the main window shows while opening is
    // not covered by the splash; closed only afterwards, because closing the
    // last visible window would end the program.
    hide();
    // Showing the main window must not leave an exception in the event loop;
    // a failed hand-over still closes the splash.
    try {
        if (m_showMain)
            m_showMain();
    } catch (...) {
    }
    close();
}

Splash* startWithSplash(Product product, bool skip, std::function<void()> showMain)
{
    if (skip) {
        if (showMain)
            showMain();
        return nullptr;
    }
    auto* splash = new Splash(product, std::move(showMain));
    splash->show();
    return splash;
}

} // namespace orv::ui

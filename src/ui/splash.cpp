#include "splash.h"

#include "picturebox.h"
#include "pictures.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace orv::ui {

Splash::Splash(Producto producto, std::function<void()> muestraPrincipal)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_picture(new PictureBox(producto, this)), m_timer(new QTimer(this)),
      m_muestraPrincipal(std::move(muestraPrincipal))
{
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tituloProducto(producto));
    setWindowIcon(productIcon(producto));

    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setCaption(tituloProducto(producto));
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
    m_timer->setInterval(kIntervalo);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &Splash::entrega);
    connect(m_picture, &PictureBox::clicked, this, &Splash::entrega);
    m_timer->start();
}

void Splash::entrega()
{
    // A click may arrive in the same event round as the tick.
    if (m_entregado)
        return;
    m_entregado = true;
    m_timer->stop();
    // Hidden first, so that a message the main window shows while opening is
    // not covered by the splash; closed only afterwards, because closing the
    // last visible window would end the program.
    hide();
    // Showing the main window must not leave an exception in the event loop;
    // a failed hand-over still closes the splash.
    try {
        if (m_muestraPrincipal)
            m_muestraPrincipal();
    } catch (...) {
    }
    close();
}

Splash* iniciaConSplash(Producto producto, bool saltar, std::function<void()> muestraPrincipal)
{
    if (saltar) {
        if (muestraPrincipal)
            muestraPrincipal();
        return nullptr;
    }
    auto* splash = new Splash(producto, std::move(muestraPrincipal));
    splash->show();
    return splash;
}

} // namespace orv::ui

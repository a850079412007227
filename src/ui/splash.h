#pragma once

#include "product.h"

#include <QWidget>
#include <functional>

class QTimer;

namespace orv::ui {

class PictureBox;

// The first window of every program: a borderless picture centred on the
// screen that hands over to the program's main window after `splashTimer`
// (2600 ms) or a click on `Picture1`, whichever comes first. The hand-over
// runs once only; then the splash closes and deletes itself.
class Splash : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kIntervalo = 2600;

    // `muestraPrincipal` shows the main window `Form1`.
    Splash(Producto producto, std::function<void()> muestraPrincipal);

    // Hands over now (timer tick or click); later calls do nothing.
    void entrega();

private:
    PictureBox* m_picture;
    QTimer* m_timer;
    std::function<void()> m_muestraPrincipal;
    bool m_entregado = false;
};

// Starts a program: shows the splash and returns it (it deletes itself after
// handing over), or, when `saltar`, calls `muestraPrincipal` at once, shows
// nothing and returns nullptr. The program decides `saltar`: the Player from
// its SplashScreen setting, the Compactor from its command line.
Splash* iniciaConSplash(Producto producto, bool saltar, std::function<void()> muestraPrincipal);

} // namespace orv::ui

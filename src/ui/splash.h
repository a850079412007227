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
    static constexpr int kInterval = 2600;

    // `showMain` shows the main window `Form1`.
    Splash(Product product, std::function<void()> showMain);

    // Hands over now (timer tick or click); later calls do nothing.
    void deliver();

private:
    PictureBox* m_picture;
    QTimer* m_timer;
    std::function<void()> m_showMain;
    bool m_delivered = false;
};

// Starts a program: shows the splash and returns it (it deletes itself after
// handing over), or, when `skip`, calls `showMain` at once, shows
// nothing and returns nullptr. The program decides `skip`: the Player from
// its SplashScreen setting, the Compactor from its command line.
Splash* startWithSplash(Product product, bool skip, std::function<void()> showMain);

} // namespace orv::ui

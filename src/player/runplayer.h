#pragma once

#include <QStringList>
#include <memory>

namespace orv::ui {
class Splash;
}

namespace orv::player {

class Form1;

// The whole program: the splash (unless SplashScreen says to skip it), then
// the main window, then the movie named on the command line, if any.
// Returns the exit status.
int runPlayer(int argc, char** argv);

// The start inside a running application: shows the splash and returns it,
// or, when SplashScreen is 1, shows the main window at once and returns
// nullptr. `form1` receives the main window when the splash hands over; the
// command-line movie opens just after the window appears.
ui::Splash* startPlayer(const QStringList& arguments, std::unique_ptr<Form1>& form1);

} // namespace orv::player

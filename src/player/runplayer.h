#pragma once

namespace orv::player {

// The whole program: the splash (unless SplashScreen says to skip it), then
// the main window, then the movie named on the command line, if any.
// Returns the exit status.
int runPlayer(int argc, char** argv);

} // namespace orv::player

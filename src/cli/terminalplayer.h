#pragma once

#include "movie.h"
#include "playback.h"

#include <QString>

namespace orv::cli {

// What `orv play` was asked for besides the movie.
struct PlayOptions
{
    int from = 0;      // first frame played
    int to = -1;       // last frame played; -1 for the movie's last
    double pausa = -1; // milliseconds per frame; below 0 for the movie's own
    bool repeat = false;
    bool once = false; // leave at the end of the movie instead of stopping
};

// Plays a movie on the terminal with ncurses, full screen on the alternate
// screen, driving the Player's playback rules with the keys. The terminal is
// given back as it was on every way out: a key, the end of a --once run, a
// signal (SIGINT, SIGTERM, SIGHUP) or an error. Answers the exit status.
int playInTerminal(const Movie& movie, const PlayOptions& options, QString& error);

// What a key (a curses key code) does to the playback; false when the key
// means quitting. '+' and '-' change the pause in use.
bool applyKey(Playback& engine, int key);

// The next shorter or longer pause for '+' and '-' (never below 1 ms).
double shortestPause(double pausa);
double longestPause(double pausa);

} // namespace orv::cli

#pragma once

#include "pelicula.h"
#include "playback.h"

#include <QString>

namespace orv::cli {

// What `orv play` was asked for besides the movie.
struct OpcionesPlay
{
    int desde = 0;     // first frame played
    int hasta = -1;    // last frame played; -1 for the movie's last
    double pausa = -1; // milliseconds per frame; below 0 for the movie's own
    bool repetir = false;
    bool unaVez = false; // leave at the end of the movie instead of stopping
};

// Plays a movie on the terminal with ncurses, full screen on the alternate
// screen, driving the Player's playback rules with the keys. The terminal is
// given back as it was on every way out: a key, the end of a --once run, a
// signal (SIGINT, SIGTERM, SIGHUP) or an error. Answers the exit status.
int reproduceEnTerminal(const Pelicula& pelicula, const OpcionesPlay& opciones, QString& error);

// What a key (a curses key code) does to the playback; false when the key
// means quitting. '+' and '-' change the pause in use.
bool aplicaTecla(Playback& motor, int tecla);

// The next shorter or longer pause for '+' and '-' (never below 1 ms).
double pausaMasCorta(double pausa);
double pausaMasLarga(double pausa);

} // namespace orv::cli

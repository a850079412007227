#pragma once

#include "movie.h"
#include "playback.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace orv::viewer {

class MovieScreen;

// A movie built in memory, looked at before it is saved: the Player's text
// area and playback state with play/stop, rewind, a step either way, a
// position slider, which frame of how many is on screen, and the movie's
// size. It only shows; nothing in it writes or changes the movie.
//
// Keys: F2 play/stop, F3 and F4 a frame back and forward (as in the Player),
// Home rewinds, Escape closes.
class Preview : public QDialog
{
    Q_OBJECT
public:
    Preview(Movie movie, QWidget* parent = nullptr);

    const Movie& movie() const { return m_movie; }
    const Playback& engine() const { return m_engine; }
    MovieScreen* pantalla() const { return m_pantalla; }

    void reproducir_Click();
    void rebobinar_Click();
    void anterior_Click();
    void next_Click();

private:
    void tick();
    void irA(int frame);
    void muestraCuadro();
    void reflectPlayback();

    Movie m_movie;
    Playback m_engine;
    MovieScreen* m_pantalla;
    QPushButton* m_rebobinar;
    QPushButton* m_anterior;
    QPushButton* m_reproducir;
    QPushButton* m_next;
    QSlider* m_posicion;
    QLabel* m_frame;
    QTimer* m_clock;
};

// Reads the bytes a preview build wrote and opens them in a viewer over
// `window`, in place of any viewer it had open. A movie the reader refuses
// gets the Player's message for an unreadable movie.
Preview* openPreview(QWidget* window, QByteArray bytes);

} // namespace orv::viewer

#pragma once

#include "pelicula.h"
#include "playback.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace orv::visor {

class Pantalla;

// A movie built in memory, looked at before it is saved: the Player's text
// area and playback state with play/stop, rewind, a step either way, a
// position slider, which frame of how many is on screen, and the movie's
// size. It only shows; nothing in it writes or changes the movie.
//
// Keys: F2 play/stop, F3 and F4 a frame back and forward (as in the Player),
// Home rewinds, Escape closes.
class VistaPrevia : public QDialog
{
    Q_OBJECT
public:
    VistaPrevia(Pelicula pelicula, QWidget* parent = nullptr);

    const Pelicula& pelicula() const { return m_pelicula; }
    const Playback& motor() const { return m_motor; }
    Pantalla* pantalla() const { return m_pantalla; }

    void reproducir_Click();
    void rebobinar_Click();
    void anterior_Click();
    void siguiente_Click();

private:
    void tick();
    void irA(int cuadro);
    void muestraCuadro();
    void reflejaReproduccion();

    Pelicula m_pelicula;
    Playback m_motor;
    Pantalla* m_pantalla;
    QPushButton* m_rebobinar;
    QPushButton* m_anterior;
    QPushButton* m_reproducir;
    QPushButton* m_siguiente;
    QSlider* m_posicion;
    QLabel* m_cuadro;
    QTimer* m_reloj;
};

// Reads the bytes a preview build wrote and opens them in a viewer over
// `ventana`, in place of any viewer it had open. A movie the reader refuses
// gets the Player's message for an unreadable movie.
VistaPrevia* abreVistaPrevia(QWidget* ventana, QByteArray bytes);

} // namespace orv::visor

// The playback commands of the main window: each asks the engine to move,
// then brings the clock, the slider, the button and the display in line.
#include "form1.h"

#include "clock.h"
#include "frame.h"
#include "moviescreen.h"
#include "playersettings.h"

#include <QAction>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace orv::player {

void Form1::habilitaControles(bool enable)
{
    m_posicion->setEnabled(enable);
    m_rebobinar->setEnabled(enable);
    m_reproducir->setEnabled(enable);
    for (QAction* a : {m_menu_avanza, m_menu_retrocede, m_menu_rebobinar, m_menu_reproducir,
                       m_menu_cerrar_pelicula, m_menu_propiedades})
        a->setEnabled(enable);
}

void Form1::muestraCuadro()
{
    m_pantalla->setText(armaCuadro(m_movie, m_engine.cuadroActual()));
}

void Form1::sincronizaPosicion()
{
    // A real change fires the slider's change event, which shows the frame.
    m_posicion->setValue(m_engine.cuadroActual());
}

void Form1::reflectPlayback()
{
    viewer::reflectPlayback(m_engine, *m_timer1, *m_reproducir);
}

void Form1::reproducir_Click()
{
    m_engine.togglePlayback();
    reflectPlayback();
}

void Form1::Timer1_Timer()
{
    m_engine.tick();
    reflectPlayback();
    sincronizaPosicion();
}

void Form1::rebobinar_Click()
{
    m_engine.rewind();
    sincronizaPosicion();
    muestraCuadro();
}

void Form1::posicion_Change(int value)
{
    if (!m_engine.open())
        return;
    m_engine.irA(value);
    muestraCuadro();
}

void Form1::menu_avanza_Click()
{
    if (m_engine.stepForward())
        sincronizaPosicion();
}

void Form1::menu_retrocede_Click()
{
    if (m_engine.retrocede())
        sincronizaPosicion();
}

void Form1::menu_repetir_Click()
{
    const bool repeat = !m_engine.repeat();
    m_engine.setRepetir(repeat);
    m_menu_repetir->setChecked(repeat);
    saveSetting(QStringLiteral("Repetir"), repeat ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::menu_cerrar_pelicula_Click()
{
    m_engine.close();
    reflectPlayback();
    m_posicion->setMaximum(1);
    m_posicion->setValue(0);
    m_pantalla->setText({});
    setWindowTitle(QStringLiteral("Orvane ASCII Player"));
    habilitaControles(false);
}

} // namespace orv::player

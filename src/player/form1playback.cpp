// The playback commands of the main window: each asks the engine to move,
// then brings the clock, the slider, the button and the display in line.
#include "form1.h"

#include "frame.h"
#include "pantalla.h"
#include "playersettings.h"
#include "reloj.h"

#include <QAction>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace orv::player {

void Form1::habilitaControles(bool habilitar)
{
    m_posicion->setEnabled(habilitar);
    m_rebobinar->setEnabled(habilitar);
    m_reproducir->setEnabled(habilitar);
    for (QAction* a : {m_menuAvanza, m_menuRetrocede, m_menuRebobinar, m_menuReproducir,
                       m_menuCerrarPelicula, m_menuPropiedades})
        a->setEnabled(habilitar);
}

void Form1::muestraCuadro()
{
    m_pantalla->setTexto(armaCuadro(m_pelicula, m_motor.cuadroActual()));
}

void Form1::sincronizaPosicion()
{
    // A real change fires the slider's change event, which shows the frame.
    m_posicion->setValue(m_motor.cuadroActual());
}

void Form1::reflejaReproduccion()
{
    visor::reflejaReproduccion(m_motor, *m_timer1, *m_reproducir);
}

void Form1::reproducir_Click()
{
    m_motor.alternaReproduccion();
    reflejaReproduccion();
}

void Form1::Timer1_Timer()
{
    m_motor.tick();
    reflejaReproduccion();
    sincronizaPosicion();
}

void Form1::rebobinar_Click()
{
    m_motor.rebobina();
    sincronizaPosicion();
    muestraCuadro();
}

void Form1::posicion_Change(int valor)
{
    if (!m_motor.abierta())
        return;
    m_motor.irA(valor);
    muestraCuadro();
}

void Form1::menu_avanza_Click()
{
    if (m_motor.avanza())
        sincronizaPosicion();
}

void Form1::menu_retrocede_Click()
{
    if (m_motor.retrocede())
        sincronizaPosicion();
}

void Form1::menu_repetir_Click()
{
    const bool repetir = !m_motor.repetir();
    m_motor.setRepetir(repetir);
    m_menuRepetir->setChecked(repetir);
    guardaAjuste(QStringLiteral("Repetir"), repetir ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::menu_cerrar_pelicula_Click()
{
    m_motor.cierra();
    reflejaReproduccion();
    m_posicion->setMaximum(1);
    m_posicion->setValue(0);
    m_pantalla->setTexto({});
    setWindowTitle(QStringLiteral("Orvane ASCII Player"));
    habilitaControles(false);
}

} // namespace orv::player

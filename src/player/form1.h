#pragma once

#include "pelicula.h"
#include "playback.h"

#include <QMainWindow>
#include <array>

class QAction;
class QMenu;
class QMimeData;
class QPushButton;
class QSlider;
class QTimer;

namespace orv::visor {
class Pantalla;
}

namespace orv::player {

using visor::Pantalla;

// The Player's main window: the frame display, the playback buttons and
// slider, the menus, the recent-files list and the window-size memory.
// It holds the one open movie and drives the playback engine with its frame
// clock `Timer1`; every way of opening a movie ends in abrePelicula().
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // Start-up: reads the settings (storing the defaults on a first run),
    // applies the stored window size, colours, font size, repeat and recent
    // list, and leaves the window with no movie.
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The open sequence: closes the current movie, loads `ruta` and shows
    // its first frame, or reports the one loader message and ends with no
    // movie. From the recent list, the list keeps its order.
    void abrePelicula(const QString& ruta, bool desdeRecientes);

    void agregaReciente(const QString& ruta);
    void actualizaRecientes();

    // The pause in use; the timer interval follows it only at
    // ajustaIntervalo() (an opening does both).
    double velocidad() const { return m_motor.velocidad(); }
    void setVelocidad(double velocidad) { m_motor.setVelocidad(velocidad); }
    void ajustaIntervalo();
    int reproInicial() const { return m_reproInicial; }
    void setReproInicial(int valor) { m_reproInicial = valor; }

    const Pelicula& pelicula() const { return m_pelicula; }
    const Playback& motor() const { return m_motor; }
    Pantalla* pantalla() const { return m_pantalla; }

    // The outer window size in twips (the stored `VAncho`, `VAlto`).
    QSize tamanoTwips() const;
    int twipsAPixeles(int twips) const;
    int pixelesATwips(int pixeles) const;

public slots:
    void reproducir_Click();
    void rebobinar_Click();
    void Timer1_Timer();
    void posicion_Change(int valor);
    void menu_avanza_Click();
    void menu_retrocede_Click();
    void menu_repetir_Click();
    void menu_cerrar_pelicula_Click();
    void menu_abrir_Click();
    void menu_preferencias_Click();
    void menu_propiedades_Click();
    void menu_acerca_Click();
    void menu_cerrar_Click();
    void a_recientes_Click(int j);
    void menu_fuente_tamano_Click(int k);
    void menu_color_fondo_Click();
    void menu_color_letras_Click();
    void menu_exportar_Click();
    // Drops on the window and on the text area: the first file opens, just
    // after the drop returns.
    void Form_OLEDragDrop(const QMimeData* datos);

protected:
    bool eventFilter(QObject* objeto, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void creaControles();
    void creaMenus();
    void creaMenuArchivo();
    void creaMenuPelicula();
    void creaMenuFormato();
    void creaMenuAyuda();
    void creaMenuExportar(QMenu* archivo);
    QAction* creaAccion(QMenu* menu, const QString& nombre, const QString& caption,
                        const QKeySequence& atajo = {});

    void formLoad();
    void aplicaTamanoGuardado();
    void ajustaMinimo();
    void corrigeMarco();
    void guardaTamano();
    void disponeControles();

    void habilitaControles(bool habilitar);
    void muestraCuadro();
    void sincronizaPosicion();
    void reflejaReproduccion();
    void aplicaColores(const QColor& fondo, const QColor& letras);
    void eligeColor(bool fondo);

    Pelicula m_pelicula;
    Playback m_motor;
    int m_reproInicial = 0;
    int m_tamanoActual = 4;
    bool m_ventanaLista = false;
    bool m_marcoCorregido = false;

    Pantalla* m_pantalla = nullptr;
    QSlider* m_posicion = nullptr;
    QPushButton* m_reproducir = nullptr;
    QPushButton* m_rebobinar = nullptr;
    QTimer* m_timer1 = nullptr;

    QAction* m_menuAbrir = nullptr;
    QAction* m_menuCerrarPelicula = nullptr;
    QAction* m_menuExportar = nullptr;
    QAction* m_separador = nullptr;
    std::array<QAction*, 10> m_recientes{};
    QAction* m_menuReproducir = nullptr;
    QAction* m_menuRebobinar = nullptr;
    QAction* m_menuRetrocede = nullptr;
    QAction* m_menuAvanza = nullptr;
    QAction* m_menuPropiedades = nullptr;
    QAction* m_menuRepetir = nullptr;
    std::array<QAction*, 10> m_tamanos{};
};

} // namespace orv::player

#pragma once

#include "movie.h"
#include "playback.h"

#include <QMainWindow>
#include <array>

class QAction;
class QMenu;
class QMimeData;
class QPushButton;
class QSlider;
class QTimer;

namespace orv::viewer {
class MovieScreen;
}

namespace orv::player {

using viewer::MovieScreen;

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

    // The open sequence: closes the current movie, loads `path` and shows
    // its first frame, or reports the one loader message and ends with no
    // movie. From the recent list, the list keeps its order.
    void abrePelicula(const FileName& ruta, bool desdeRecientes);

    void agregaReciente(const FileName& ruta);
    void actualizaRecientes();

    // The pause in use; the timer interval follows it only at
    // fitInterval() (an opening does both).
    double velocidad() const { return m_engine.velocidad(); }
    void setVelocidad(double velocidad) { m_engine.setVelocidad(velocidad); }
    void fitInterval();
    int reproInicial() const { return m_reproInicial; }
    void setReproInicial(int value) { m_reproInicial = value; }

    const Movie& movie() const { return m_movie; }
    const Playback& engine() const { return m_engine; }
    MovieScreen* pantalla() const { return m_pantalla; }

    // The outer window size in twips (the stored `VAncho`, `VAlto`).
    QSize twipsSize() const;
    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;

public slots:
    void reproducir_Click();
    void rebobinar_Click();
    void Timer1_Timer();
    void posicion_Change(int value);
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
    void menu_export_Click();
    void menu_edit_Click();
    // Drops on the window and on the text area: the first file opens, just
    // after the drop returns.
    void Form_OLEDragDrop(const QMimeData* mime);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void makeControls();
    void makeMenus();
    void makeFileMenu();
    void makeMovieMenu();
    void makeFormatMenu();
    void makeHelpMenu();
    void makeExportMenu(QMenu* file);
    QAction* makeAction(QMenu* menu, const QString& name, const QString& caption,
                        const QKeySequence& shortcut = {});

    void formLoad();
    void applySavedSize();
    void fitMinimum();
    void correctFrame();
    void saveSize();
    void layOutControls();

    void habilitaControles(bool enable);
    void muestraCuadro();
    void sincronizaPosicion();
    void reflectPlayback();
    void applyColours(const QColor& background, const QColor& letters);
    void chooseColor(bool background);

    Movie m_movie;
    Playback m_engine;
    int m_reproInicial = 0;
    int m_tamanoActual = 4;
    bool m_ventanaLista = false;
    bool m_correctedFrame = false;

    MovieScreen* m_pantalla = nullptr;
    QSlider* m_posicion = nullptr;
    QPushButton* m_reproducir = nullptr;
    QPushButton* m_rebobinar = nullptr;
    QTimer* m_timer1 = nullptr;

    QAction* m_menu_abrir = nullptr;
    QAction* m_menu_cerrar_pelicula = nullptr;
    QAction* m_separador = nullptr;
    std::array<QAction*, 10> m_recent{};
    QAction* m_menu_reproducir = nullptr;
    QAction* m_menu_rebobinar = nullptr;
    QAction* m_menu_retrocede = nullptr;
    QAction* m_menu_avanza = nullptr;
    QAction* m_menu_propiedades = nullptr;
    QAction* m_menu_repetir = nullptr;
    std::array<QAction*, 10> m_sizes{};
};

} // namespace orv::player

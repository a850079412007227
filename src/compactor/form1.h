#pragma once

#include "compactador.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMimeData;
class QRadioButton;

namespace orv::compactor {

// The Compactor's main window: the drop box, the mode options with brute
// force, and the history of the last batch. It reads its controls, hands each
// dropped path to the compaction engine and lists what the engine reports;
// the rules live in the engine. Fixed size.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // Start-up: writes `Ruta`, then applies the stored mode (or, on a first
    // run, stores the defaults and `Ejecutado`).
    explicit Form1(QWidget* parent = nullptr);

    // The key path of every setting, with the final backslash.
    static QString regProg();

    void habilitaEntrada(bool habilita);
    void cargaModo();
    void guardaModo();

    // The batch for the dropped paths, in order. Refused (false) while a
    // batch runs.
    bool procesaLote(const QStringList& rutas);
    // The batch for dropped or chosen paths, run from the event loop once
    // the drop or the menu has returned.
    void agregaLote(const QStringList& rutas);
    bool ocupado() const { return m_ocupado; }

    ModoCompactacion modoSeleccionado() const;

    // Tests fail engine steps through this.
    void setFallaPaso(Compactador::FallaPaso falla) { m_falla = std::move(falla); }

public slots:
    void Frame1_OLEDragDrop(const QMimeData* datos);
    void List1_DblClick();
    void menu_verhistorial_Click();
    void menu_acerca_Click();
    void menu_salir_Click();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void creaControles();
    QWidget* creaCajaDeArrastre();
    QGroupBox* creaOpciones();
    void creaMenus();
    void terminaPorError();

    QFrame* m_frame1 = nullptr;
    QLabel* m_label1 = nullptr;
    QWidget* m_espera = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_archivoEnCurso = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QRadioButton* m_mauto = nullptr;
    QRadioButton* m_mcomp = nullptr;
    QRadioButton* m_mdesc = nullptr;
    QRadioButton* m_manal = nullptr;
    QCheckBox* m_check1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QAction* m_agregar = nullptr;
    QAction* m_verHistorial = nullptr;
    bool m_ocupado = false;
    bool m_lotePendiente = false; // dropped, to run once the drop has returned
    Compactador::FallaPaso m_falla;
};

// The program's full path as `Ruta` holds it, written at every start.
void escribeRuta();

} // namespace orv::compactor

#pragma once

#include "compactor.h"

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

    void habilitaEntrada(bool enable);
    void cargaModo();
    void guardaModo();

    // The batch for the dropped paths, in order. Refused (false) while a
    // batch runs.
    bool processBatch(const FileNames& paths);
    // The batch for dropped or chosen paths, run from the event loop once
    // the drop or the menu has returned.
    void addBatch(const FileNames& paths);
    bool busy() const { return m_busy; }

    CompactionMode selectedMode() const;

    // Tests fail engine steps through this.
    void setStepFault(Compactor::StepFault fail) { m_fault = std::move(fail); }

public slots:
    void Frame1_OLEDragDrop(const QMimeData* mime);
    void List1_DblClick();
    void menu_verhistorial_Click();
    void menu_acerca_Click();
    void menu_salir_Click();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void makeControls();
    QWidget* makeDropBox();
    QGroupBox* makeOptions();
    void makeMenus();
    void failWith();

    QFrame* m_frame1 = nullptr;
    QLabel* m_label1 = nullptr;
    QWidget* m_wait = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_currentFile = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QRadioButton* m_mauto = nullptr;
    QRadioButton* m_mcomp = nullptr;
    QRadioButton* m_mdesc = nullptr;
    QRadioButton* m_manal = nullptr;
    QCheckBox* m_check1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QAction* m_add = nullptr;
    QAction* m_menu_verhistorial = nullptr;
    bool m_busy = false;
    bool m_pendingBatch = false; // dropped, to run once the drop has returned
    Compactor::StepFault m_fault;
};

// The program's full path as `Ruta` holds it, written at every start.
void writePath();

} // namespace orv::compactor

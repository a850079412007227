#pragma once

#include "filename.h"

#include <QMainWindow>
#include <QStringList>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orv {
class MovieWriter;
}

namespace orv::ui {
class FileList;
}

namespace orv::creator {

// The Creator's main window: the list of images that become the frames, the
// author, the pause, the compression choice and "Generar película...". The
// generation itself is the core's; this window reads its controls, shows the
// working picture and the progress, and reports the result.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // Files dropped on `List1`, in the order given: the accepted extensions
    // (case-sensitive) are added, any other asks first.
    void List1_OLEDragDrop(const FileNames& paths);

    // Moves the selected entry one place up (-1) or down (+1) and keeps it
    // selected; nothing without a selection or past either end.
    static void moveritem(QListWidget* list, int offset);

    // How long a generation runs before its progress shows, in ms.
    void setProgressWait(int ms) { m_progressWait = ms; }

    QListWidget* list() const;

public slots:
    void eliminar_Click();
    void arriba_Click();
    void abajo_Click();
    void Command4_Click();
    void List1_DblClick();
    void menu_limpiar_Click();
    void menu_import_video_Click();
    void menu_preview_Click();
    void menu_salir_Click();
    void menu_acerca_de_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FileName m_lastChosen; // the save dialog offers it again, for the session
    void makeControls();
    void makeMenus();
    void generaPelicula();
    std::optional<FileNames> validList();
    bool build(MovieWriter& writer, const FileNames& paths);
    // The save dialog with the ".ovt" rule and the replace question: the
    // name to write, or empty when the user gave none or refused.
    // The Save dialog; `proposed` is the name it offers (else the last one
    // chosen).
    FileName askPath(const FileName& proposed = {});
    void finishWritten(const FileName& path);

    ui::FileList* m_list1;
    QLabel* m_picture1;
    QLineEdit* m_creador;
    QComboBox* m_velocidad;
    QCheckBox* m_check1;
    QPushButton* m_command4;
    bool m_generating = false; // while a generation or an import runs under its progress
    int m_progressWait = 500;
};

// The extensions added without a question; the comparison is case-sensitive.
bool acceptedExtension(const FileName& path);

} // namespace orv::creator

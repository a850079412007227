#pragma once

#include <QMainWindow>

#include "conversion.h"

#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orv {
class MovieWriter;
}

namespace orv::ui {
class FileList;
}

namespace orv::converter {

// The Converter's main window: the ordered list of source text files, the
// picture parameters and "Convertir...". Fixed size. It keeps nothing
// between runs; the rules of the conversion live in the core, and every
// message goes through the prompt seam.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Adds dropped files in order: a ".ovt" warns and is added anyway; a
    // file that cannot be opened (or a folder) is reported and left out.
    void List1_OLEDragDrop(const FileNames& paths);

    // Moves the selected source by `offset` places, keeping it
    // selected; nothing at the ends or without a selection.
    void moveritem(int offset);

    void eliminar_Click();
    void leeinicio_Click();
    void List1_DblClick();
    void Command1_Click();
    void menu_preview_Click();
    void menu_limpiar_Click();
    void menu_acercade_Click();

    // What the boxes and options say, as the conversion reads them.
    ConversionParameters parameters() const;

private:
    FileName m_lastChosen; // the save dialog offers it again, for the session
    void makeControls();
    void makeMenus();
    QWidget* makeSource();
    QWidget* makeTarget();
    // The parameters, or nothing after the message when they would not do
    // (or the list is empty).
    std::optional<ConversionParameters> validParameters();
    // The conversion of the list into `writer`, with the progress; a
    // failure is reported here, a success is the caller's.
    bool build(MovieWriter& writer, const ConversionParameters& p);

    ui::FileList* m_list = nullptr;
    QLineEdit* m_ancho = nullptr;
    QLineEdit* m_alto = nullptr;
    QLineEdit* m_creador = nullptr;
    QComboBox* m_velocidad = nullptr;
    QCheckBox* m_leeinicio = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QCheckBox* m_check1 = nullptr;
};

} // namespace orv::converter

#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace orv::player {

class Form1;

// The preferences dialog: splash and autoplay choices, the pause in use for
// the open movie (its own or a replacement), and the recent-files list size.
// "Aceptar" validates the replacement pause before anything is stored;
// "Limpiar lista" acts at once and is not undone by "Cancelar".
class Form2 : public QDialog
{
    Q_OBJECT
public:
    explicit Form2(Form1* form1);

public slots:
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Option_Click();

private:
    void makeControls();
    QWidget* makeRecentRow();
    void formLoad();
    bool readSpeed(double& velocidad);

    Form1* m_form1;
    QCheckBox* m_ocultar = nullptr;
    QCheckBox* m_repro = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QComboBox* m_velocidad = nullptr;
    QComboBox* m_combo1 = nullptr;
    QPushButton* m_command4 = nullptr;
};

} // namespace orv::player

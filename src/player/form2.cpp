#include "form2.h"

#include "form1.h"
#include "numberformat.h"
#include "pauses.h"
#include "playersettings.h"
#include "prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orv::player {
namespace {

const QString kSpeedTitle = QStringLiteral("Velocidad de reproducción inválida");

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

Form2::Form2(Form1* form1) : QDialog(form1), m_form1(form1)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Preferencias del programa"));
    setModal(true);
    makeControls();
    formLoad();
}

void Form2::makeControls()
{
    auto* frame1 = new QGroupBox(QStringLiteral("Programa"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_ocultar = new QCheckBox(QStringLiteral("Ocultar pantalla inicial del reproductor al iniciar."), frame1);
    m_ocultar->setObjectName(QStringLiteral("ocultar"));
    m_repro = new QCheckBox(QStringLiteral("Reproducción automática de películas."), frame1);
    m_repro->setObjectName(QStringLiteral("repro"));
    auto* program = new QVBoxLayout(frame1);
    program->addWidget(m_ocultar);
    program->addWidget(m_repro);

    auto* frame2 = new QGroupBox(QStringLiteral("Reproducción"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_option1 = new QRadioButton(frame2);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("Reproducir a (ms. por cuadro):"), frame2);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_velocidad = new QComboBox(frame2);
    m_velocidad->setObjectName(QStringLiteral("velocidad"));
    m_velocidad->setEditable(true);
    m_velocidad->setInsertPolicy(QComboBox::NoInsert);
    connect(m_option1, &QRadioButton::clicked, this, &Form2::Option_Click);
    connect(m_option2, &QRadioButton::clicked, this, &Form2::Option_Click);
    auto* other = new QHBoxLayout;
    other->addWidget(m_option2);
    other->addWidget(m_velocidad);
    other->addStretch();
    auto* playback = new QVBoxLayout(frame2);
    playback->addWidget(m_option1);
    playback->addLayout(other);

    auto* frame3 = new QGroupBox(QStringLiteral("Recientes"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    m_command4 = makeButton(frame3, QStringLiteral("Command4"), QStringLiteral("Limpiar lista"));
    connect(m_command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    auto* recent = new QHBoxLayout(frame3);
    recent->addWidget(makeRecentRow());
    recent->addStretch();
    recent->addWidget(m_command4);

    QPushButton* accept = makeButton(this, QStringLiteral("Command1"), QStringLiteral("Aceptar"));
    accept->setDefault(true);
    connect(accept, &QPushButton::clicked, this, &Form2::Command1_Click);
    QPushButton* cancel = makeButton(this, QStringLiteral("Command2"), QStringLiteral("Cancelar"));
    connect(cancel, &QPushButton::clicked, this, &Form2::Command2_Click);
    QPushButton* help = makeButton(this, QStringLiteral("Command3"), QStringLiteral("Ayuda"));
    help->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* all = new QVBoxLayout(this);
    all->addWidget(frame1);
    all->addWidget(frame2);
    all->addWidget(frame3);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);
}

// "Mostrar", a gap of 20 spaces and the rest of the sentence, with the list
// box sitting in the gap.
QWidget* Form2::makeRecentRow()
{
    auto* row = new QWidget;
    const QString show = QStringLiteral("Mostrar");
    auto* label1 = new QLabel(show + QString(20, QLatin1Char(' ')) +
                                  QStringLiteral("archivos en la lista de recientes."),
                              row);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setTextFormat(Qt::PlainText);
    m_combo1 = new QComboBox(row);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    for (int i = 1; i <= kMaxRecent; ++i)
        m_combo1->addItem(QString::number(i));

    const QFontMetrics fm(label1->font());
    const int space = fm.horizontalAdvance(QLatin1Char(' '));
    const int gap = fm.horizontalAdvance(QString(20, QLatin1Char(' ')));
    const int alto = std::max(m_combo1->sizeHint().height(), label1->sizeHint().height());
    label1->setGeometry(0, (alto - label1->sizeHint().height()) / 2, label1->sizeHint().width(),
                        label1->sizeHint().height());
    m_combo1->setGeometry(fm.horizontalAdvance(show) + space / 2, 0, gap - space, alto);
    row->setFixedSize(label1->sizeHint().width(), alto);
    return row;
}

void Form2::formLoad()
{
    m_repro->setChecked(m_form1->reproInicial() != 0);
    m_combo1->setCurrentIndex(maxRecent() - 1);
    m_velocidad->addItems(ui::usualPauses());
    const double velocidad = m_form1->velocidad();
    const double pausa = m_form1->movie().pausa;
    m_velocidad->setEditText(spanishNumber(velocidad));
    if (pausa != velocidad)
        m_option2->setChecked(true);
    else
        m_option1->setChecked(true);
    m_velocidad->setEnabled(m_option2->isChecked());
    if (velocidad == 0 || m_form1->movie().numCuadros <= 1) {
        m_option1->setEnabled(false);
        m_option2->setEnabled(false);
    }
    m_ocultar->setChecked(hideSplash());
    m_option1->setText(QStringLiteral("Pausar cada cuadro por ") + spanishNumber(pausa) +
                       QStringLiteral(" milisegundos."));
}

void Form2::Option_Click()
{
    m_velocidad->setEnabled(m_option2->isChecked());
}

bool Form2::readSpeed(double& velocidad)
{
    if (!readSpanishNumber(m_velocidad->currentText(), velocidad)) {
        ui::prompt().message(this,
                             QStringLiteral("La velocidad de reproducción debe ser un número, "
                                            "utilice una coma ',' como separador decimal en caso "
                                            "de requerirlo."),
                             kSpeedTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
        return false;
    }
    if (!(velocidad > 0)) {
        ui::prompt().message(this,
                             QStringLiteral("La velocidad de reproducción debe ser mayor a cero."),
                             kSpeedTitle, ui::Icon::Exclamation, ui::Buttons::Ok);
        return false;
    }
    return true;
}

void Form2::Command1_Click()
{
    double velocidad = m_form1->movie().pausa;
    if (m_option2->isChecked() && !readSpeed(velocidad))
        return;
    m_form1->setVelocidad(velocidad);
    saveSetting(QStringLiteral("SplashScreen"),
                m_ocultar->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    saveSetting(QStringLiteral("MRecientes"), QString::number(m_combo1->currentIndex() + 1));
    m_form1->actualizaRecientes();
    m_form1->fitInterval();
    const int repro = m_repro->isChecked() ? 1 : 0;
    saveSetting(QStringLiteral("ReproIni"), QString::number(repro));
    m_form1->setReproInicial(repro);
    accept();
}

void Form2::Command2_Click()
{
    reject();
}

void Form2::Command4_Click()
{
    saveSetting(QStringLiteral("NRecientes"), QStringLiteral("0"));
    m_command4->setEnabled(false);
    m_form1->actualizaRecientes();
}

} // namespace orv::player

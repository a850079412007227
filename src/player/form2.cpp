#include "form2.h"

#include "form1.h"
#include "numberformat.h"
#include "pausas.h"
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

const QString kTituloVelocidad = QStringLiteral("Velocidad de reproducción inválida");

QPushButton* creaBoton(QWidget* padre, const QString& nombre, const QString& caption)
{
    auto* boton = new QPushButton(caption, padre);
    boton->setObjectName(nombre);
    return boton;
}

} // namespace

Form2::Form2(Form1* form1) : QDialog(form1), m_form1(form1)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Preferencias del programa"));
    setModal(true);
    creaControles();
    formLoad();
}

void Form2::creaControles()
{
    auto* frame1 = new QGroupBox(QStringLiteral("Programa"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_ocultar = new QCheckBox(QStringLiteral("Ocultar pantalla inicial del reproductor al iniciar."), frame1);
    m_ocultar->setObjectName(QStringLiteral("ocultar"));
    m_repro = new QCheckBox(QStringLiteral("Reproducción automática de películas."), frame1);
    m_repro->setObjectName(QStringLiteral("repro"));
    auto* programa = new QVBoxLayout(frame1);
    programa->addWidget(m_ocultar);
    programa->addWidget(m_repro);

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
    auto* otra = new QHBoxLayout;
    otra->addWidget(m_option2);
    otra->addWidget(m_velocidad);
    otra->addStretch();
    auto* reproduccion = new QVBoxLayout(frame2);
    reproduccion->addWidget(m_option1);
    reproduccion->addLayout(otra);

    auto* frame3 = new QGroupBox(QStringLiteral("Recientes"), this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    m_command4 = creaBoton(frame3, QStringLiteral("Command4"), QStringLiteral("Limpiar lista"));
    connect(m_command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    auto* recientes = new QHBoxLayout(frame3);
    recientes->addWidget(creaFilaRecientes());
    recientes->addStretch();
    recientes->addWidget(m_command4);

    QPushButton* aceptar = creaBoton(this, QStringLiteral("Command1"), QStringLiteral("Aceptar"));
    aceptar->setDefault(true);
    connect(aceptar, &QPushButton::clicked, this, &Form2::Command1_Click);
    QPushButton* cancelar = creaBoton(this, QStringLiteral("Command2"), QStringLiteral("Cancelar"));
    connect(cancelar, &QPushButton::clicked, this, &Form2::Command2_Click);
    QPushButton* ayuda = creaBoton(this, QStringLiteral("Command3"), QStringLiteral("Ayuda"));
    ayuda->setEnabled(false);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(aceptar);
    botones->addWidget(cancelar);
    botones->addWidget(ayuda);

    auto* todo = new QVBoxLayout(this);
    todo->addWidget(frame1);
    todo->addWidget(frame2);
    todo->addWidget(frame3);
    todo->addLayout(botones);
    todo->setSizeConstraint(QLayout::SetFixedSize);
}

// "Mostrar", a gap of 20 spaces and the rest of the sentence, with the list
// box sitting in the gap.
QWidget* Form2::creaFilaRecientes()
{
    auto* fila = new QWidget;
    const QString mostrar = QStringLiteral("Mostrar");
    auto* label1 = new QLabel(mostrar + QString(20, QLatin1Char(' '))
                                  + QStringLiteral("archivos en la lista de recientes."),
                              fila);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setTextFormat(Qt::PlainText);
    m_combo1 = new QComboBox(fila);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    for (int i = 1; i <= kMaximoRecientes; ++i)
        m_combo1->addItem(QString::number(i));

    const QFontMetrics fm(label1->font());
    const int espacio = fm.horizontalAdvance(QLatin1Char(' '));
    const int hueco = fm.horizontalAdvance(QString(20, QLatin1Char(' ')));
    const int alto = std::max(m_combo1->sizeHint().height(), label1->sizeHint().height());
    label1->setGeometry(0, (alto - label1->sizeHint().height()) / 2, label1->sizeHint().width(),
                        label1->sizeHint().height());
    m_combo1->setGeometry(fm.horizontalAdvance(mostrar) + espacio / 2, 0, hueco - espacio, alto);
    fila->setFixedSize(label1->sizeHint().width(), alto);
    return fila;
}

void Form2::formLoad()
{
    m_repro->setChecked(m_form1->reproInicial() != 0);
    m_combo1->setCurrentIndex(maximoRecientes() - 1);
    m_velocidad->addItems(ui::pausasHabituales());
    const double velocidad = m_form1->velocidad();
    const double pausa = m_form1->pelicula().pausa;
    m_velocidad->setEditText(numeroEspanol(velocidad));
    if (pausa != velocidad)
        m_option2->setChecked(true);
    else
        m_option1->setChecked(true);
    m_velocidad->setEnabled(m_option2->isChecked());
    if (velocidad == 0 || m_form1->pelicula().numCuadros <= 1) {
        m_option1->setEnabled(false);
        m_option2->setEnabled(false);
    }
    m_ocultar->setChecked(ocultaSplash());
    m_option1->setText(QStringLiteral("Pausar cada cuadro por ") + numeroEspanol(pausa)
                       + QStringLiteral(" milisegundos."));
}

void Form2::Option_Click()
{
    m_velocidad->setEnabled(m_option2->isChecked());
}

bool Form2::leeVelocidad(double& velocidad)
{
    if (!leeNumeroEspanol(m_velocidad->currentText(), velocidad)) {
        ui::prompt().mensaje(this,
                             QStringLiteral("La velocidad de reproducción debe ser un número, "
                                            "utilice una coma ',' como separador decimal en caso "
                                            "de requerirlo."),
                             kTituloVelocidad, ui::Icono::Exclamacion, ui::Botones::Aceptar);
        return false;
    }
    if (!(velocidad > 0)) {
        ui::prompt().mensaje(this, QStringLiteral("La velocidad de reproducción debe ser mayor a cero."),
                             kTituloVelocidad, ui::Icono::Exclamacion, ui::Botones::Aceptar);
        return false;
    }
    return true;
}

void Form2::Command1_Click()
{
    double velocidad = m_form1->pelicula().pausa;
    if (m_option2->isChecked() && !leeVelocidad(velocidad))
        return;
    m_form1->setVelocidad(velocidad);
    guardaAjuste(QStringLiteral("SplashScreen"),
                 m_ocultar->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    guardaAjuste(QStringLiteral("MRecientes"), QString::number(m_combo1->currentIndex() + 1));
    m_form1->actualizaRecientes();
    m_form1->ajustaIntervalo();
    const int repro = m_repro->isChecked() ? 1 : 0;
    guardaAjuste(QStringLiteral("ReproIni"), QString::number(repro));
    m_form1->setReproInicial(repro);
    accept();
}

void Form2::Command2_Click()
{
    reject();
}

void Form2::Command4_Click()
{
    guardaAjuste(QStringLiteral("NRecientes"), QStringLiteral("0"));
    m_command4->setEnabled(false);
    m_form1->actualizaRecientes();
}

} // namespace orv::player

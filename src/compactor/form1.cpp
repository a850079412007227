#include "form1.h"

#include "prompt.h"

#include "compactorlauncher.h"
#include "numeric.h"
#include "settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv::compactor {
namespace {

template <class W> W* nombrado(W* w, const char* nombre)
{
    w->setObjectName(QString::fromLatin1(nombre));
    return w;
}

QFrame* adorno(const char* nombre)
{
    auto* linea = nombrado(new QFrame, nombre);
    linea->setFrameShape(QFrame::HLine);
    linea->setFrameShadow(QFrame::Sunken);
    return linea;
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane ASCII Compactor"));
    escribeRuta();
    creaControles();
    creaMenus();
    if (numericValue(leeValor(regProg() + QLatin1String("Ejecutado"))) != 0) {
        cargaModo();
    } else {
        guardaModo();
        guardaValor(regProg() + QLatin1String("Ejecutado"), QStringLiteral("1"));
    }
    habilitaEntrada(true);
    m_verHistorial->setEnabled(false);
    adjustSize();
    setFixedSize(sizeHint().expandedTo(QSize(460, 430)));
}

QString Form1::regProg() { return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\"); }

void Form1::creaControles()
{
    auto* central = new QWidget;
    auto* caja = new QVBoxLayout(central);
    caja->addWidget(creaCajaDeArrastre());
    caja->addWidget(adorno("Shape1"));
    caja->addWidget(creaOpciones());
    caja->addWidget(adorno("Shape2"));
    auto* frame2 = nombrado(new QGroupBox(QStringLiteral("Historial")), "Frame2");
    auto* historial = new QVBoxLayout(frame2);
    m_list1 = nombrado(new QListWidget, "List1");
    historial->addWidget(m_list1);
    caja->addWidget(frame2, 1);
    setCentralWidget(central);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
}

// The drop box lies over the waiting text; hiding it uncovers the text.
QWidget* Form1::creaCajaDeArrastre()
{
    auto* zona = new QWidget;
    auto* celda = new QGridLayout(zona);
    celda->setContentsMargins(0, 0, 0, 0);
    m_espera = new QWidget;
    auto* espera = new QVBoxLayout(m_espera);
    m_label2 = nombrado(new QLabel(QStringLiteral("Espere un momento mientras se procesan los archivos...")), "Label2");
    m_archivoEnCurso = nombrado(new QLabel, "archivoEnCurso");
    m_archivoEnCurso->setTextFormat(Qt::PlainText);
    for (QLabel* l : {m_label2, m_archivoEnCurso}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        espera->addWidget(l);
    }
    m_frame1 = nombrado(new QFrame, "Frame1");
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setMinimumHeight(90);
    auto* dentro = new QVBoxLayout(m_frame1);
    m_label1 = nombrado(new QLabel(QStringLiteral(
                            "Arrastre en este cuadro uno o más archivos de película que desea comprimir o descomprimir.")),
                        "Label1");
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setWordWrap(true);
    dentro->addWidget(m_label1);
    for (QWidget* w : {static_cast<QWidget*>(m_frame1), static_cast<QWidget*>(m_label1)}) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
    celda->addWidget(m_espera, 0, 0);
    celda->addWidget(m_frame1, 0, 0);
    return zona;
}

QGroupBox* Form1::creaOpciones()
{
    m_frame3 = nombrado(new QGroupBox, "Frame3");
    auto* rejilla = new QGridLayout(m_frame3);
    rejilla->addWidget(nombrado(new QLabel(QStringLiteral("Modo:")), "Label3"), 0, 0);
    m_mauto = nombrado(new QRadioButton(QStringLiteral("Automático")), "mauto");
    m_mcomp = nombrado(new QRadioButton(QStringLiteral("Sólo comprimir")), "mcomp");
    m_mdesc = nombrado(new QRadioButton(QStringLiteral("Sólo descomprimir")), "mdesc");
    m_manal = nombrado(new QRadioButton(QStringLiteral("Analizar archivos")), "manal");
    m_check1 = nombrado(new QCheckBox(QStringLiteral("Fuerza bruta con archivos sólo lectura y ocultos.")), "Check1");
    rejilla->addWidget(m_mauto, 1, 0);
    rejilla->addWidget(m_mcomp, 1, 1);
    rejilla->addWidget(m_mdesc, 2, 0);
    rejilla->addWidget(m_manal, 2, 1);
    rejilla->addWidget(m_check1, 3, 0, 1, 2);
    m_mauto->setChecked(true);
    m_check1->setChecked(true);
    // Only a person's click stores the settings: applying them at start
    // must leave the stored values as they were.
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_mauto), static_cast<QAbstractButton*>(m_mcomp),
                               static_cast<QAbstractButton*>(m_mdesc), static_cast<QAbstractButton*>(m_manal),
                               static_cast<QAbstractButton*>(m_check1)})
        connect(b, &QAbstractButton::clicked, this, &Form1::guardaModo);
    return m_frame3;
}

void Form1::creaMenus()
{
    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    archivo->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same batch as a drop, by the same path.
    m_agregar = nombrado(archivo->addAction(QStringLiteral("&Agregar películas...")), "menu_agregar");
    m_agregar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_agregar, &QAction::triggered, this, [this] {
        agregaLote(ui::prompt().abrirArchivos(
            this, QStringLiteral("Agregar películas"),
            QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*")));
    });
    m_verHistorial = nombrado(archivo->addAction(QStringLiteral("Ver historial")), "menu_verhistorial");
    connect(m_verHistorial, &QAction::triggered, this, &Form1::menu_verhistorial_Click);
    nombrado(archivo->addSeparator(), "separado");
    QAction* salir = nombrado(archivo->addAction(QStringLiteral("Salir")), "menu_salir");
    salir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(salir, &QAction::triggered, this, &Form1::menu_salir_Click);
    QMenu* ayuda = menuBar()->addMenu(QStringLiteral("A&yuda"));
    ayuda->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* acerca = nombrado(ayuda->addAction(QStringLiteral("Acerca de...")), "menu_acerca");
    connect(acerca, &QAction::triggered, this, &Form1::menu_acerca_Click);
}

void Form1::habilitaEntrada(bool habilita)
{
    m_frame1->setVisible(habilita);
    m_frame1->setEnabled(habilita);
    m_espera->setVisible(!habilita);
    m_frame3->setEnabled(habilita);
    m_verHistorial->setEnabled(habilita);
    m_agregar->setEnabled(habilita);
}

void escribeRuta()
{
    guardaValor(rutaCompactorClave(), QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

} // namespace orv::compactor

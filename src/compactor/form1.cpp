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

template <class W> W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QFrame* ornament(const char* name)
{
    auto* line = named(new QFrame, name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane ASCII Compactor"));
    writePath();
    makeControls();
    makeMenus();
    if (numericValue(leeValor(regProg() + QLatin1String("Ejecutado"))) != 0) {
        cargaModo();
    } else {
        guardaModo();
        guardaValor(regProg() + QLatin1String("Ejecutado"), QStringLiteral("1"));
    }
    habilitaEntrada(true);
    m_menu_verhistorial->setEnabled(false);
    adjustSize();
    setFixedSize(sizeHint().expandedTo(QSize(460, 430)));
}

QString Form1::regProg() { return QStringLiteral("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\"); }

void Form1::makeControls()
{
    auto* central = new QWidget;
    auto* box = new QVBoxLayout(central);
    box->addWidget(makeDropBox());
    box->addWidget(ornament("Shape1"));
    box->addWidget(makeOptions());
    box->addWidget(ornament("Shape2"));
    auto* frame2 = named(new QGroupBox(QStringLiteral("Historial")), "Frame2");
    auto* history = new QVBoxLayout(frame2);
    m_list1 = named(new QListWidget, "List1");
    history->addWidget(m_list1);
    box->addWidget(frame2, 1);
    setCentralWidget(central);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
}

// The drop box lies over the waiting text; hiding it uncovers the text.
QWidget* Form1::makeDropBox()
{
    auto* area = new QWidget;
    auto* cell = new QGridLayout(area);
    cell->setContentsMargins(0, 0, 0, 0);
    m_wait = new QWidget;
    auto* wait = new QVBoxLayout(m_wait);
    m_label2 =
        named(new QLabel(QStringLiteral("Espere un momento mientras se procesan los archivos...")),
              "Label2");
    m_currentFile = named(new QLabel, "archivoEnCurso");
    m_currentFile->setTextFormat(Qt::PlainText);
    for (QLabel* l : {m_label2, m_currentFile}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        wait->addWidget(l);
    }
    m_frame1 = named(new QFrame, "Frame1");
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setMinimumHeight(90);
    auto* inside = new QVBoxLayout(m_frame1);
    m_label1 = named(new QLabel(QStringLiteral("Arrastre en este cuadro uno o más archivos de "
                                               "película que desea comprimir o descomprimir.")),
                     "Label1");
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setWordWrap(true);
    inside->addWidget(m_label1);
    for (QWidget* w : {static_cast<QWidget*>(m_frame1), static_cast<QWidget*>(m_label1)}) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
    cell->addWidget(m_wait, 0, 0);
    cell->addWidget(m_frame1, 0, 0);
    return area;
}

QGroupBox* Form1::makeOptions()
{
    m_frame3 = named(new QGroupBox, "Frame3");
    auto* grid = new QGridLayout(m_frame3);
    grid->addWidget(named(new QLabel(QStringLiteral("Modo:")), "Label3"), 0, 0);
    m_mauto = named(new QRadioButton(QStringLiteral("Automático")), "mauto");
    m_mcomp = named(new QRadioButton(QStringLiteral("Sólo comprimir")), "mcomp");
    m_mdesc = named(new QRadioButton(QStringLiteral("Sólo descomprimir")), "mdesc");
    m_manal = named(new QRadioButton(QStringLiteral("Analizar archivos")), "manal");
    m_check1 =
        named(new QCheckBox(QStringLiteral("Fuerza bruta con archivos sólo lectura y ocultos.")),
              "Check1");
    grid->addWidget(m_mauto, 1, 0);
    grid->addWidget(m_mcomp, 1, 1);
    grid->addWidget(m_mdesc, 2, 0);
    grid->addWidget(m_manal, 2, 1);
    grid->addWidget(m_check1, 3, 0, 1, 2);
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

void Form1::makeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    file->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same batch as a drop, by the same path.
    m_add = named(file->addAction(QStringLiteral("&Agregar películas...")), "menu_agregar");
    m_add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_add, &QAction::triggered, this, [this] {
        addBatch(ui::prompt().openFiles(
            this, QStringLiteral("Agregar películas"),
            QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*")));
    });
    m_menu_verhistorial =
        named(file->addAction(QStringLiteral("Ver historial")), "menu_verhistorial");
    connect(m_menu_verhistorial, &QAction::triggered, this, &Form1::menu_verhistorial_Click);
    named(file->addSeparator(), "separado");
    QAction* quit = named(file->addAction(QStringLiteral("Salir")), "menu_salir");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &Form1::menu_salir_Click);
    QMenu* help = menuBar()->addMenu(QStringLiteral("A&yuda"));
    help->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* about = named(help->addAction(QStringLiteral("Acerca de...")), "menu_acerca");
    connect(about, &QAction::triggered, this, &Form1::menu_acerca_Click);
}

void Form1::habilitaEntrada(bool enable)
{
    m_frame1->setVisible(enable);
    m_frame1->setEnabled(enable);
    m_wait->setVisible(!enable);
    m_frame3->setEnabled(enable);
    m_menu_verhistorial->setEnabled(enable);
    m_add->setEnabled(enable);
}

void writePath()
{
    guardaValor(ui::compactorPathKey(),
                QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

} // namespace orv::compactor

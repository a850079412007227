#include "form1.h"

#include "compactorlauncher.h"
#include "controls.h"
#include "conversion.h"
#include "filelist.h"
#include "form2.h"
#include "frmabout.h"
#include "moviewriter.h"
#include "pauses.h"
#include "pictures.h"
#include "preview.h"
#include "prompt.h"
#include "qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QScopeGuard>

namespace orv::converter {
namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kFilter =
    QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*");

QString ovtWarning(const QString& path)
{
    return QStringLiteral(
               "El siguiente archivo, al parecer, tiene una extensión no correspondiente con "
               "los archivos requeridos como origen: ") +
           kCrLf + kCrLf + path + kCrLf + kCrLf +
           QStringLiteral(
               "Este programa genera archivos *.ovt usando archivos que contengan imágenes "
               "ASCII comunes, pero no sirve para unir ni manipular archivos *.ovt") +
           kCrLf + kCrLf +
           QStringLiteral(
               "Puede que desee eliminar el archivo que acaba de agregar para no provocar "
               "errores en su película ASCII.");
}

QLabel* label(const QString& text, const char* name, QWidget* parent)
{
    return named(new QLabel(text, parent), name);
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane ASCII Converter"));
    setWindowIcon(ui::productIcon(ui::Product::Converter));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    makeControls();
    makeMenus();
    // Form_Load: the pause list, in this order; the box keeps "100".
    m_velocidad->addItems(ui::usualPauses());
    m_velocidad->setCurrentIndex(1);
    // A fixed border: the window takes the size its contents ask for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

void Form1::makeControls()
{
    auto* central = named(new QWidget(this), "central");
    setCentralWidget(central);
    auto* column = new QVBoxLayout(central);
    column->addWidget(makeSource());
    column->addWidget(makeTarget());

    auto* row = new QHBoxLayout;
    row->addWidget(label(QStringLiteral("Creador:"), "Label12", central));
    m_creador = named(new QLineEdit(central), "creador");
    row->addWidget(m_creador, 1);
    row->addSpacing(12);
    row->addWidget(label(QStringLiteral("Pausa:"), "Label11", central));
    m_velocidad = named(new QComboBox(central), "velocidad");
    m_velocidad->setEditable(true);
    m_velocidad->setInsertPolicy(QComboBox::NoInsert);
    row->addWidget(m_velocidad);
    row->addWidget(label(QStringLiteral("ms."), "Label10", central));
    column->addLayout(row);

    m_check1 = named(
        new QCheckBox(QStringLiteral("Comprimir automáticamente la película de salida."), central),
        "Check1");
    m_check1->setChecked(true);
    column->addWidget(m_check1);

    auto* convert = named(new QPushButton(QStringLiteral("Convertir..."), central), "Command1");
    connect(convert, &QPushButton::clicked, this, &Form1::Command1_Click);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(convert);
    column->addLayout(buttonRow);
}

QWidget* Form1::makeSource()
{
    auto* frame = named(new QGroupBox(QStringLiteral("Origen")), "Frame1");
    auto* grid = new QGridLayout(frame);
    m_list = named(new ui::FileList(frame), "List1");
    m_list->setMinimumSize(460, 110);
    // Added once the drop has returned, so that a message about one of the
    // files does not keep the file manager waiting for the end of its drag.
    connect(m_list, &ui::FileList::dropped, this, &Form1::List1_OLEDragDrop, Qt::QueuedConnection);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    grid->addWidget(m_list, 0, 0, 1, 4);

    auto* eliminar = named(new QPushButton(QStringLiteral("Eliminar"), frame), "eliminar");
    auto* arriba = named(new QPushButton(QStringLiteral("Arriba"), frame), "arriba");
    auto* abajo = named(new QPushButton(QStringLiteral("Abajo"), frame), "abajo");
    connect(eliminar, &QPushButton::clicked, this, &Form1::eliminar_Click);
    // The Delete key in the list does what "Eliminar" does.
    new QShortcut(QKeySequence::Delete, m_list, this, &Form1::eliminar_Click, Qt::WidgetShortcut);
    connect(arriba, &QPushButton::clicked, this, [this] { moveritem(-1); });
    connect(abajo, &QPushButton::clicked, this, [this] { moveritem(+1); });
    grid->addWidget(eliminar, 1, 0);
    grid->addWidget(label(QStringLiteral("Para añadir archivos, arrástrelos a la lista superior."),
                          "Label9", frame),
                    1, 1, Qt::AlignCenter);
    grid->addWidget(arriba, 1, 2);
    grid->addWidget(abajo, 1, 3);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* Form1::makeTarget()
{
    auto* frame = named(new QGroupBox(QStringLiteral("Destino")), "Frame2");
    auto* grid = new QGridLayout(frame);

    // The sample: a letter drawn with "#" on "0", to show what the width
    // and the height measure.
    auto* show = named(new QFrame(frame), "Shape1");
    show->setFrameShape(QFrame::Box);
    show->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto* sampleRows = new QVBoxLayout(show);
    sampleRows->setSpacing(0);
    const char* const rows[] = {"0000000#000000000", "000000#0#00000000", "00000#000#0000000",
                                "00000#####00000",   "00000#000#0000000", "00000#000#00000"};
    int n = 2;
    for (const char* f : rows) {
        auto* l = new QLabel(QString::fromLatin1(f), show);
        l->setObjectName(QStringLiteral("Label%1").arg(n++));
        l->setFont(fixedFont());
        sampleRows->addWidget(l);
    }

    auto* left = new QHBoxLayout;
    left->addStretch();
    left->addWidget(label(QStringLiteral("Alto:"), "Label8", frame));
    m_alto = named(new QLineEdit(QStringLiteral("0"), frame), "alto");
    m_alto->setFixedWidth(60);
    left->addWidget(m_alto);
    grid->addLayout(left, 0, 0, Qt::AlignVCenter);
    grid->addWidget(show, 0, 1);
    auto* track =
        label(QStringLiteral("Para averiguar los datos de alto y ancho, o ver los archivos de "
                             "origen en una vista preliminar, haga doble clic en un archivo "
                             "de la lista superior."),
              "Label13", frame);
    track->setWordWrap(true);
    track->setMinimumWidth(150);
    grid->addWidget(track, 0, 2, 2, 1);

    auto* belowSample = new QHBoxLayout;
    belowSample->addStretch();
    belowSample->addWidget(label(QStringLiteral("Ancho:"), "Label1", frame));
    m_ancho = named(new QLineEdit(QStringLiteral("0"), frame), "ancho");
    m_ancho->setFixedWidth(60);
    belowSample->addWidget(m_ancho);
    belowSample->addStretch();
    grid->addLayout(belowSample, 1, 1);

    auto* line = named(new QFrame(frame), "Line1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 2, 0, 1, 3);

    m_leeinicio =
        named(new QCheckBox(QStringLiteral(
                                "Al analizar el archivo, la primera línea de cada imágen ASCII..."),
                            frame),
              "leeinicio");
    m_leeinicio->setChecked(true);
    connect(m_leeinicio, &QCheckBox::clicked, this, &Form1::leeinicio_Click);
    grid->addWidget(m_leeinicio, 3, 0, 1, 3);
    m_option1 = named(
        new QRadioButton(QStringLiteral("Corresponde al número de imagenes para duplicar"), frame),
        "Option1");
    m_option1->setChecked(true);
    m_option2 = named(new QRadioButton(QStringLiteral("Omitir cualquier texto de la línea"), frame),
                      "Option2");
    auto* options = new QVBoxLayout;
    options->setContentsMargins(24, 0, 0, 0);
    options->addWidget(m_option1);
    options->addWidget(m_option2);
    grid->addLayout(options, 4, 0, 1, 3);
    return frame;
}

void Form1::makeMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    file->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same rules as a drop, by the same path.
    QAction* add = file->addAction(QStringLiteral("&Agregar archivos..."), this, [this] {
        List1_OLEDragDrop(ui::prompt().openFiles(
            this, QStringLiteral("Agregar archivos"),
            QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*")));
    });
    add->setObjectName(QStringLiteral("menu_agregar"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QAction* view = file->addAction(QStringLiteral("&Vista previa de la película..."), this,
                                    &Form1::menu_preview_Click);
    view->setObjectName(QStringLiteral("menu_vista_previa"));
    ui::enableWithEntries(view, m_list);
    QAction* clear =
        file->addAction(QStringLiteral("Limpiar lista"), this, &Form1::menu_limpiar_Click);
    clear->setObjectName(QStringLiteral("menu_limpiar"));
    file->addSeparator()->setObjectName(QStringLiteral("menu_separa"));
    QAction* quit = file->addAction(QStringLiteral("Salir"), qApp, &QApplication::quit);
    quit->setObjectName(QStringLiteral("menu_salir"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("A&yuda"));
    help->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* about =
        help->addAction(QStringLiteral("Acerca de..."), this, &Form1::menu_acercade_Click);
    about->setObjectName(QStringLiteral("menu_acercade"));
}

void Form1::List1_OLEDragDrop(const FileNames& paths)
{
    for (const FileName& path : paths) {
        const QString shown = QDir::toNativeSeparators(path.display());
        if (path.endsWith(".ovt"))
            ui::prompt().message(this, ovtWarning(shown),
                                 QStringLiteral("Posible archivo incorrecto"),
                                 ui::Icon::Exclamation, ui::Buttons::Ok);
        if (puedeabrir(path)) {
            m_list->addPath(path);
        } else {
            ui::prompt().message(
                this,
                QStringLiteral("No se puede agregar a la lista, por problemas de lectura o "
                               "apertura, el siguiente archivo:") +
                    kCrLf + kCrLf + shown,
                QStringLiteral("Error al añadir"), ui::Icon::Exclamation, ui::Buttons::Ok);
        }
    }
}

void Form1::moveritem(int offset)
{
    ui::moveritem(m_list, offset);
}

void Form1::eliminar_Click()
{
    const int i = m_list->currentRow();
    if (i < 0 || !m_list->currentItem()->isSelected())
        return;
    delete m_list->takeItem(i);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
}

void Form1::leeinicio_Click()
{
    m_option1->setEnabled(m_leeinicio->isChecked());
    m_option2->setEnabled(m_leeinicio->isChecked());
}

void Form1::List1_DblClick()
{
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    Form2 analyser(item->text(), this);
    connect(&analyser, &Form2::sendWidth, m_ancho, &QLineEdit::setText);
    connect(&analyser, &Form2::sendHeight, m_alto, &QLineEdit::setText);
    analyser.exec();
}

ConversionParameters Form1::parameters() const
{
    ConversionParameters p;
    p.ancho = m_ancho->text();
    p.alto = m_alto->text();
    p.velocidad = m_velocidad->currentText();
    p.creador = m_creador->text();
    p.leeinicio = m_leeinicio->isChecked();
    p.repeat = m_option1->isChecked();
    return p;
}

std::optional<ConversionParameters> Form1::validParameters()
{
    if (m_list->count() == 0)
        return std::nullopt;
    const ConversionParameters p = parameters();
    if (const ParameterFault failure = checkParameters(p); failure != ParameterFault::None) {
        ui::prompt().message(this, parameterFaultMessage(failure, p.creador), parameterFaultTitle(),
                             ui::Icon::Exclamation, ui::Buttons::Ok);
        return std::nullopt;
    }
    return p;
}

bool Form1::build(MovieWriter& writer, const ConversionParameters& p)
{
    // The progress dialog lets events through while the work runs; the
    // window takes no clicks of its own until the conversion is over, and is
    // itself again before any message shows.
    const auto enable = [this](bool yes) {
        centralWidget()->setEnabled(yes);
        menuBar()->setEnabled(yes);
    };
    enable(false);

    // Shown only when the work outlasts half a second; until then the
    // window simply waits, as a short conversion should.
    QProgressDialog progress(QStringLiteral("Convirtiendo las imágenes ASCII en una película..."),
                             QStringLiteral("Cancelar"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("progreso"));
    progress.setWindowTitle(windowTitle());
    ui::widthForTitle(progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setValue(0);
    const ConversionResult r =
        convert(m_list->paths(), p, writer, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
            return !progress.wasCanceled();
        });
    progress.reset();
    enable(true);

    switch (r.state) {
    case ConversionState::Cancelled:
        return false;
    case ConversionState::NoFrames:
        ui::prompt().message(this, noFramesMessage(r.failedSources), noFramesTitle(),
                             ui::Icon::Exclamation, ui::Buttons::Ok);
        return false;
    case ConversionState::WriteError:
        ui::prompt().message(this, writeErrorMessage(r.codeError, r.errorDescription),
                             writeErrorTitle(), ui::Icon::Critical, ui::Buttons::Ok);
        return false;
    case ConversionState::TooLarge:
        ui::prompt().message(this, tooLargeMessage(r.bytes), writeErrorTitle(), ui::Icon::Critical,
                             ui::Buttons::Ok);
        return false;
    case ConversionState::Written:
        break;
    }
    return true;
}

void Form1::Command1_Click()
{
    const std::optional<ConversionParameters> p = validParameters();
    if (!p)
        return;
    const FileName chosen = ui::prompt().saveFile(this, QStringLiteral("Guardar película ASCII"),
                                                  kFilter, m_lastChosen);
    if (chosen.isEmpty())
        return;
    m_lastChosen = chosen;
    const FileName path = movieName(chosen).absolute();
    if (!ui::confirmReplace(this, path))
        return;
    MovieWriter writer(path);
    if (!build(writer, *p))
        return;
    if (m_check1->isChecked())
        ui::compressMovie(this, path);
    else
        ui::prompt().message(this, successMessage(), successTitle(), ui::Icon::Information,
                             ui::Buttons::Ok);
}

// "Vista previa de la película...": the same conversion as "Convertir...",
// into memory, shown in the viewer.
void Form1::menu_preview_Click()
{
    const std::optional<ConversionParameters> p = validParameters();
    if (!p)
        return;
    QByteArray bytes;
    MovieWriter writer(&bytes);
    if (build(writer, *p))
        viewer::openPreview(this, std::move(bytes));
}

void Form1::menu_limpiar_Click()
{
    if (m_list->count() == 0)
        return;
    if (ui::prompt().message(
            this, QStringLiteral("¿Realmente desea eliminar todos los archivos de la lista?"),
            QStringLiteral("Limpiar lista"), ui::Icon::None, ui::Buttons::YesNo) == ui::Answer::Yes)
        m_list->clear();
}

void Form1::menu_acercade_Click()
{
    ui::FrmAbout about(ui::Product::Converter, this);
    about.exec();
}

} // namespace orv::converter

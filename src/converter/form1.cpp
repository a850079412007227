#include "form1.h"

#include "controles.h"
#include "compactorstart.h"
#include "conversion.h"
#include "moviewriter.h"
#include "form2.h"
#include "frmabout.h"
#include "listaarchivos.h"
#include "pausas.h"
#include "pictures.h"
#include "prompt.h"
#include "qtdialogs.h"
#include "vistaprevia.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
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
const QString kFiltro = QStringLiteral("Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*");

QString avisoOvt(const QString& ruta)
{
    return QStringLiteral("El siguiente archivo, al parecer, tiene una extensión no correspondiente con "
                          "los archivos requeridos como origen: ")
        + kCrLf + kCrLf + ruta + kCrLf + kCrLf
        + QStringLiteral("Este programa genera archivos *.ovt usando archivos que contengan imágenes "
                         "ASCII comunes, pero no sirve para unir ni manipular archivos *.ovt")
        + kCrLf + kCrLf
        + QStringLiteral("Puede que desee eliminar el archivo que acaba de agregar para no provocar "
                         "errores en su película ASCII.");
}


QLabel* etiqueta(const QString& texto, const char* nombre, QWidget* padre)
{
    return nombrado(new QLabel(texto, padre), nombre);
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane ASCII Converter"));
    setWindowIcon(ui::productIcon(ui::Producto::Converter));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    creaControles();
    creaMenus();
    // Form_Load: the pause list, in this order; the box keeps "100".
    m_velocidad->addItems(ui::pausasHabituales());
    m_velocidad->setCurrentIndex(1);
    // A fixed border: the window takes the size its contents ask for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

void Form1::creaControles()
{
    auto* central = nombrado(new QWidget(this), "central");
    setCentralWidget(central);
    auto* columna = new QVBoxLayout(central);
    columna->addWidget(creaOrigen());
    columna->addWidget(creaDestino());

    auto* fila = new QHBoxLayout;
    fila->addWidget(etiqueta(QStringLiteral("Creador:"), "Label12", central));
    m_creador = nombrado(new QLineEdit(central), "creador");
    fila->addWidget(m_creador, 1);
    fila->addSpacing(12);
    fila->addWidget(etiqueta(QStringLiteral("Pausa:"), "Label11", central));
    m_velocidad = nombrado(new QComboBox(central), "velocidad");
    m_velocidad->setEditable(true);
    m_velocidad->setInsertPolicy(QComboBox::NoInsert);
    fila->addWidget(m_velocidad);
    fila->addWidget(etiqueta(QStringLiteral("ms."), "Label10", central));
    columna->addLayout(fila);

    m_check1 = nombrado(new QCheckBox(QStringLiteral("Comprimir automáticamente la película de salida."), central),
                        "Check1");
    m_check1->setChecked(true);
    columna->addWidget(m_check1);

    auto* convertir = nombrado(new QPushButton(QStringLiteral("Convertir..."), central), "Command1");
    connect(convertir, &QPushButton::clicked, this, &Form1::Command1_Click);
    auto* filaBoton = new QHBoxLayout;
    filaBoton->addStretch();
    filaBoton->addWidget(convertir);
    columna->addLayout(filaBoton);
}

QWidget* Form1::creaOrigen()
{
    auto* marco = nombrado(new QGroupBox(QStringLiteral("Origen")), "Frame1");
    auto* rejilla = new QGridLayout(marco);
    m_lista = nombrado(new ui::ListaArchivos(marco), "List1");
    m_lista->setMinimumSize(460, 110);
    // Added once the drop has returned, so that a message about one of the
    // files does not keep the file manager waiting for the end of its drag.
    connect(m_lista, &ui::ListaArchivos::soltados, this, &Form1::List1_OLEDragDrop, Qt::QueuedConnection);
    connect(m_lista, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    rejilla->addWidget(m_lista, 0, 0, 1, 4);

    auto* eliminar = nombrado(new QPushButton(QStringLiteral("Eliminar"), marco), "eliminar");
    auto* arriba = nombrado(new QPushButton(QStringLiteral("Arriba"), marco), "arriba");
    auto* abajo = nombrado(new QPushButton(QStringLiteral("Abajo"), marco), "abajo");
    connect(eliminar, &QPushButton::clicked, this, &Form1::eliminar_Click);
    // The Delete key in the list does what "Eliminar" does.
    new QShortcut(QKeySequence::Delete, m_lista, this, &Form1::eliminar_Click, Qt::WidgetShortcut);
    connect(arriba, &QPushButton::clicked, this, [this] { moveritem(-1); });
    connect(abajo, &QPushButton::clicked, this, [this] { moveritem(+1); });
    rejilla->addWidget(eliminar, 1, 0);
    rejilla->addWidget(etiqueta(QStringLiteral("Para añadir archivos, arrástrelos a la lista superior."),
                                "Label9", marco),
                       1, 1, Qt::AlignCenter);
    rejilla->addWidget(arriba, 1, 2);
    rejilla->addWidget(abajo, 1, 3);
    rejilla->setColumnStretch(1, 1);
    return marco;
}

QWidget* Form1::creaDestino()
{
    auto* marco = nombrado(new QGroupBox(QStringLiteral("Destino")), "Frame2");
    auto* rejilla = new QGridLayout(marco);

    // The sample: a letter drawn with "#" on "0", to show what the width
    // and the height measure.
    auto* muestra = nombrado(new QFrame(marco), "Shape1");
    muestra->setFrameShape(QFrame::Box);
    muestra->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto* filasMuestra = new QVBoxLayout(muestra);
    filasMuestra->setSpacing(0);
    const char* const filas[] = {"0000000#000000000", "000000#0#00000000", "00000#000#0000000",
                                 "00000#####00000", "00000#000#0000000", "00000#000#00000"};
    int n = 2;
    for (const char* f : filas) {
        auto* l = new QLabel(QString::fromLatin1(f), muestra);
        l->setObjectName(QStringLiteral("Label%1").arg(n++));
        l->setFont(fuenteFija());
        filasMuestra->addWidget(l);
    }

    auto* izquierda = new QHBoxLayout;
    izquierda->addStretch();
    izquierda->addWidget(etiqueta(QStringLiteral("Alto:"), "Label8", marco));
    m_alto = nombrado(new QLineEdit(QStringLiteral("0"), marco), "alto");
    m_alto->setFixedWidth(60);
    izquierda->addWidget(m_alto);
    rejilla->addLayout(izquierda, 0, 0, Qt::AlignVCenter);
    rejilla->addWidget(muestra, 0, 1);
    auto* pista = etiqueta(QStringLiteral("Para averiguar los datos de alto y ancho, o ver los archivos de "
                                          "origen en una vista preliminar, haga doble clic en un archivo "
                                          "de la lista superior."),
                           "Label13", marco);
    pista->setWordWrap(true);
    pista->setMinimumWidth(150);
    rejilla->addWidget(pista, 0, 2, 2, 1);

    auto* abajoMuestra = new QHBoxLayout;
    abajoMuestra->addStretch();
    abajoMuestra->addWidget(etiqueta(QStringLiteral("Ancho:"), "Label1", marco));
    m_ancho = nombrado(new QLineEdit(QStringLiteral("0"), marco), "ancho");
    m_ancho->setFixedWidth(60);
    abajoMuestra->addWidget(m_ancho);
    abajoMuestra->addStretch();
    rejilla->addLayout(abajoMuestra, 1, 1);

    auto* linea = nombrado(new QFrame(marco), "Line1");
    linea->setFrameShape(QFrame::HLine);
    linea->setFrameShadow(QFrame::Sunken);
    rejilla->addWidget(linea, 2, 0, 1, 3);

    m_leeinicio = nombrado(
        new QCheckBox(QStringLiteral("Al analizar el archivo, la primera línea de cada imágen ASCII..."), marco),
        "leeinicio");
    m_leeinicio->setChecked(true);
    connect(m_leeinicio, &QCheckBox::clicked, this, &Form1::leeinicio_Click);
    rejilla->addWidget(m_leeinicio, 3, 0, 1, 3);
    m_option1 = nombrado(new QRadioButton(QStringLiteral("Corresponde al número de imagenes para duplicar"), marco),
                         "Option1");
    m_option1->setChecked(true);
    m_option2 = nombrado(new QRadioButton(QStringLiteral("Omitir cualquier texto de la línea"), marco), "Option2");
    auto* opciones = new QVBoxLayout;
    opciones->setContentsMargins(24, 0, 0, 0);
    opciones->addWidget(m_option1);
    opciones->addWidget(m_option2);
    rejilla->addLayout(opciones, 4, 0, 1, 3);
    return marco;
}

void Form1::creaMenus()
{
    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    archivo->setObjectName(QStringLiteral("menu_archivo"));
    // Adding without dragging: the same rules as a drop, by the same path.
    QAction* agregar = archivo->addAction(QStringLiteral("&Agregar archivos..."), this, [this] {
        List1_OLEDragDrop(ui::prompt().abrirArchivos(
            this, QStringLiteral("Agregar archivos"),
            QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*")));
    });
    agregar->setObjectName(QStringLiteral("menu_agregar"));
    agregar->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QAction* vista = archivo->addAction(QStringLiteral("&Vista previa de la película..."), this,
                                        &Form1::menu_vista_previa_Click);
    vista->setObjectName(QStringLiteral("menu_vista_previa"));
    ui::habilitaConEntradas(vista, m_lista);
    QAction* limpiar = archivo->addAction(QStringLiteral("Limpiar lista"), this, &Form1::menu_limpiar_Click);
    limpiar->setObjectName(QStringLiteral("menu_limpiar"));
    archivo->addSeparator()->setObjectName(QStringLiteral("menu_separa"));
    QAction* salir = archivo->addAction(QStringLiteral("Salir"), qApp, &QApplication::quit);
    salir->setObjectName(QStringLiteral("menu_salir"));

    QMenu* ayuda = menuBar()->addMenu(QStringLiteral("A&yuda"));
    ayuda->setObjectName(QStringLiteral("menu_ayuda"));
    QAction* acerca = ayuda->addAction(QStringLiteral("Acerca de..."), this, &Form1::menu_acercade_Click);
    acerca->setObjectName(QStringLiteral("menu_acercade"));
}

void Form1::List1_OLEDragDrop(const QStringList& rutas)
{
    for (const QString& ruta : rutas) {
        if (ruta.right(4) == QLatin1String(".ovt"))
            ui::prompt().mensaje(this, avisoOvt(ruta), QStringLiteral("Posible archivo incorrecto"),
                                 ui::Icono::Exclamacion, ui::Botones::Aceptar);
        if (puedeabrir(ruta)) {
            m_lista->addItem(ruta);
        } else {
            ui::prompt().mensaje(this,
                                 QStringLiteral("No se puede agregar a la lista, por problemas de lectura o "
                                                "apertura, el siguiente archivo:")
                                     + kCrLf + kCrLf + ruta,
                                 QStringLiteral("Error al añadir"), ui::Icono::Exclamacion,
                                 ui::Botones::Aceptar);
        }
    }
}

void Form1::moveritem(int desplazamiento)
{
    ui::moveritem(m_lista, desplazamiento);
}

void Form1::eliminar_Click()
{
    const int i = m_lista->currentRow();
    if (i < 0 || !m_lista->currentItem()->isSelected())
        return;
    delete m_lista->takeItem(i);
    m_lista->setCurrentRow(-1);
    m_lista->clearSelection();
}

void Form1::leeinicio_Click()
{
    m_option1->setEnabled(m_leeinicio->isChecked());
    m_option2->setEnabled(m_leeinicio->isChecked());
}

void Form1::List1_DblClick()
{
    QListWidgetItem* item = m_lista->currentItem();
    if (!item || !item->isSelected())
        return;
    Form2 analizador(item->text(), this);
    connect(&analizador, &Form2::enviaAncho, m_ancho, &QLineEdit::setText);
    connect(&analizador, &Form2::enviaAlto, m_alto, &QLineEdit::setText);
    analizador.exec();
}

ParametrosConversion Form1::parametros() const
{
    ParametrosConversion p;
    p.ancho = m_ancho->text();
    p.alto = m_alto->text();
    p.velocidad = m_velocidad->currentText();
    p.creador = m_creador->text();
    p.leeinicio = m_leeinicio->isChecked();
    p.repetir = m_option1->isChecked();
    return p;
}

std::optional<ParametrosConversion> Form1::parametrosValidos()
{
    if (m_lista->count() == 0)
        return std::nullopt;
    const ParametrosConversion p = parametros();
    if (const FalloParametros fallo = compruebaParametros(p); fallo != FalloParametros::Ninguno) {
        ui::prompt().mensaje(this, mensajeFalloParametros(fallo, p.creador), tituloFalloParametros(),
                             ui::Icono::Exclamacion, ui::Botones::Aceptar);
        return std::nullopt;
    }
    return p;
}

bool Form1::construye(MovieWriter& escritor, const ParametrosConversion& p)
{
    // The progress dialog lets events through while the work runs; the
    // window takes no clicks of its own until the conversion is over, and is
    // itself again before any message shows.
    const auto habilita = [this](bool si) {
        centralWidget()->setEnabled(si);
        menuBar()->setEnabled(si);
    };
    habilita(false);

    // Shown only when the work outlasts half a second; until then the
    // window simply waits, as a short conversion should.
    QProgressDialog progreso(QStringLiteral("Convirtiendo las imágenes ASCII en una película..."),
                             QStringLiteral("Cancelar"), 0, 1000, this);
    progreso.setObjectName(QStringLiteral("progreso"));
    progreso.setWindowTitle(windowTitle());
    ui::anchoParaTitulo(progreso);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(500);
    progreso.setAutoReset(false);
    progreso.setValue(0);
    const ResultadoConversion r = convierte(m_lista->rutas(), p, escritor, [&progreso](qint64 hecho, qint64 total) {
        progreso.setValue(total > 0 ? static_cast<int>(hecho * 1000 / total) : 0);
        return !progreso.wasCanceled();
    });
    progreso.reset();
    habilita(true);

    switch (r.estado) {
    case EstadoConversion::Cancelada:
        return false;
    case EstadoConversion::SinCuadros:
        ui::prompt().mensaje(this, mensajeSinCuadros(r.fuentesFallidas), tituloSinCuadros(), ui::Icono::Exclamacion,
                             ui::Botones::Aceptar);
        return false;
    case EstadoConversion::ErrorEscritura:
        ui::prompt().mensaje(this, mensajeErrorEscritura(r.codigoError, r.descripcionError),
                             tituloErrorEscritura(), ui::Icono::Critico, ui::Botones::Aceptar);
        return false;
    case EstadoConversion::Escrita:
        break;
    }
    return true;
}

void Form1::Command1_Click()
{
    const std::optional<ParametrosConversion> p = parametrosValidos();
    if (!p)
        return;
    const QString elegida =
        ui::prompt().guardarArchivo(this, QStringLiteral("Guardar película ASCII"), kFiltro, m_ultimaElegida);
    if (elegida.isEmpty())
        return;
    m_ultimaElegida = elegida;
    const QString ruta = QFileInfo(nombrePelicula(elegida)).absoluteFilePath();
    if (!ui::confirmaReemplazo(this, ruta))
        return;
    MovieWriter escritor(ruta);
    if (!construye(escritor, *p))
        return;
    if (m_check1->isChecked())
        ui::comprimePelicula(this, ruta);
    else
        ui::prompt().mensaje(this, mensajeExito(), tituloExito(), ui::Icono::Informacion, ui::Botones::Aceptar);
}

// "Vista previa de la película...": the same conversion as "Convertir...",
// into memory, shown in the viewer.
void Form1::menu_vista_previa_Click()
{
    const std::optional<ParametrosConversion> p = parametrosValidos();
    if (!p)
        return;
    QByteArray bytes;
    MovieWriter escritor(&bytes);
    if (construye(escritor, *p))
        visor::abreVistaPrevia(this, std::move(bytes));
}

void Form1::menu_limpiar_Click()
{
    if (m_lista->count() == 0)
        return;
    if (ui::prompt().mensaje(this, QStringLiteral("¿Realmente desea eliminar todos los archivos de la lista?"),
                             QStringLiteral("Limpiar lista"), ui::Icono::Ninguno, ui::Botones::SiNo)
        == ui::Respuesta::Si)
        m_lista->clear();
}

void Form1::menu_acercade_Click()
{
    ui::FrmAbout acerca(ui::Producto::Converter, this);
    acerca.exec();
}

} // namespace orv::converter

#include "form1.h"

#include "listaarchivos.h"
#include "pausas.h"
#include "prompt.h"
#include "twips.h"
#include "ver.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

namespace orv::creator {
namespace {

template <typename W> W* coloca(QWidget* padre, const char* nombre, const QRect& donde)
{
    auto* w = new W(padre);
    w->setObjectName(QLatin1String(nombre));
    w->setGeometry(donde);
    return w;
}

} // namespace

bool extensionAceptada(const QString& ruta)
{
    static const char* const kExtensiones[] = {".bmp", ".gif", ".jpeg", ".jpg", ".dib",
                                               ".wmf", ".emf", ".ico",  ".cur"};
    for (const char* e : kExtensiones) {
        if (ruta.endsWith(QLatin1String(e), Qt::CaseSensitive))
            return true;
    }
    return false;
}

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane ASCII Creator"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    creaControles();
    creaMenus();
    m_velocidad->addItems(ui::pausasHabituales());
    m_velocidad->setCurrentText(QStringLiteral("100"));
    // A fixed border: the client area is 8490 × 4860 twips under the menu bar.
    centralWidget()->setFixedSize(ui::twips(this, 8490), ui::twips(this, 4860));
    adjustSize();
    setFixedSize(sizeHint());
}

QListWidget* Form1::lista() const
{
    return m_list1;
}

void Form1::creaControles()
{
    // The twip layout was made for the classic 8-point dialog font; a larger
    // desktop font would cut the captions at these sizes.
    auto* cliente = new QWidget(this);
    QFont letra = cliente->font();
    letra.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("Arial")});
    letra.setPointSizeF(8);
    cliente->setFont(letra);
    setCentralWidget(cliente);

    auto* frame1 = coloca<QGroupBox>(cliente, "Frame1", ui::twipsRect(this, 60, 0, 8355, 3975));
    m_list1 = new ui::ListaArchivos(frame1);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(ui::twipsRect(this, 120, 240, 8115, 3180));
    auto* eliminar = coloca<QPushButton>(frame1, "eliminar", ui::twipsRect(this, 120, 3480, 795, 375));
    eliminar->setText(QStringLiteral("Eliminar"));
    auto* label1 = coloca<QLabel>(frame1, "Label1", ui::twipsRect(this, 1020, 3480, 4575, 435));
    label1->setText(
        QStringLiteral("Para agregar imágenes, arrastre las imágenes sobre la lista. Haga "
                       "doble clic sobre una imágen para verla ampliada."));
    label1->setWordWrap(true);
    label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* arriba = coloca<QPushButton>(frame1, "arriba", ui::twipsRect(this, 6780, 3480, 735, 375));
    arriba->setText(QStringLiteral("Arriba"));
    auto* abajo = coloca<QPushButton>(frame1, "abajo", ui::twipsRect(this, 7560, 3480, 675, 375));
    abajo->setText(QStringLiteral("Abajo"));

    m_picture1 =
        coloca<QLabel>(cliente, "Picture1", QRect(ui::twips(this, 105), ui::twips(this, 135), 1, 1));
    m_picture1->setFrameStyle(QFrame::NoFrame);
    m_picture1->hide();

    auto* label2 = coloca<QLabel>(cliente, "Label2", ui::twipsRect(this, 120, 4200, 675, 255));
    label2->setText(QStringLiteral("Creador:"));
    m_creador = coloca<QLineEdit>(cliente, "creador", ui::twipsRect(this, 780, 4140, 1815, 315));
    auto* label3 = coloca<QLabel>(cliente, "Label3", ui::twipsRect(this, 2820, 4200, 555, 255));
    label3->setText(QStringLiteral("Pausa:"));
    m_velocidad = coloca<QComboBox>(cliente, "velocidad", ui::twipsRect(this, 3360, 4140, 975, 315));
    m_velocidad->setEditable(true);
    m_velocidad->setInsertPolicy(QComboBox::NoInsert);
    auto* label4 = coloca<QLabel>(cliente, "Label4", ui::twipsRect(this, 4440, 4200, 1215, 195));
    label4->setText(QStringLiteral("milisegundos."));
    m_check1 = coloca<QCheckBox>(cliente, "Check1", ui::twipsRect(this, 120, 4560, 3795, 255));
    m_check1->setText(QStringLiteral("Comprimir automáticamente la película de salida."));
    m_check1->setChecked(true);
    // A style's check mark can be wider than the classic one; the free space
    // to the right takes the rest of the caption rather than cutting it.
    m_check1->resize(std::max(m_check1->width(), m_check1->sizeHint().width()), m_check1->height());
    m_command4 = coloca<QPushButton>(cliente, "Command4", ui::twipsRect(this, 6420, 4440, 1995, 375));
    m_command4->setText(QStringLiteral("Generar película..."));

    // The tab order, controls that take no focus left out.
    QWidget::setTabOrder(m_list1, eliminar);
    QWidget::setTabOrder(eliminar, m_command4);
    QWidget::setTabOrder(m_command4, arriba);
    QWidget::setTabOrder(arriba, abajo);
    QWidget::setTabOrder(abajo, m_creador);
    QWidget::setTabOrder(m_creador, m_velocidad);
    QWidget::setTabOrder(m_velocidad, m_check1);

    connect(m_list1, &ui::ListaArchivos::soltados, this, &Form1::List1_OLEDragDrop);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    connect(eliminar, &QPushButton::clicked, this, &Form1::eliminar_Click);
    // The Delete key in the list does what "Eliminar" does.
    new QShortcut(QKeySequence::Delete, m_list1, this, &Form1::eliminar_Click, Qt::WidgetShortcut);
    connect(arriba, &QPushButton::clicked, this, &Form1::arriba_Click);
    connect(abajo, &QPushButton::clicked, this, &Form1::abajo_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
}

void Form1::List1_OLEDragDrop(const QStringList& rutas)
{
    const QString crlf = QStringLiteral("\r\n");
    for (const QString& ruta : rutas) {
        if (!extensionAceptada(ruta)) {
            const ui::Respuesta r = ui::prompt().mensaje(
                this,
                QStringLiteral(
                    "La siguiente imágen, al parecer, tiene una extensión no compatible con "
                    "el programa: ") +
                    crlf + ruta + crlf + crlf +
                    QStringLiteral(
                        "¿Realmente desea agregar la imágen a la lista de imagenes de la "
                        "película ASCII?"),
                QStringLiteral("Posible imágen inválida"), ui::Icono::Ninguno, ui::Botones::SiNo);
            if (r != ui::Respuesta::Si)
                continue;
        }
        m_list1->addItem(ruta);
    }
}

void Form1::moveritem(QListWidget* lista, int desplazamiento)
{
    ui::moveritem(lista, desplazamiento);
}

void Form1::eliminar_Click()
{
    QListWidgetItem* item = m_list1->currentItem();
    if (item && item->isSelected())
        delete m_list1->takeItem(m_list1->row(item));
}

void Form1::arriba_Click()
{
    moveritem(m_list1, -1);
}
void Form1::abajo_Click()
{
    moveritem(m_list1, +1);
}

void Form1::List1_DblClick()
{
    QListWidgetItem* item = m_list1->currentItem();
    if (!item || !item->isSelected())
        return;
    Ver ver(this);
    if (ver.muestraVista(item->text()))
        ver.exec();
}

void Form1::menu_limpiar_Click()
{
    if (m_list1->count() == 0)
        return;
    const ui::Respuesta r = ui::prompt().mensaje(
        this, QStringLiteral("¿Realmente desea eliminar todas las imagenes de la lista?"),
        QStringLiteral("Limpiar lista"), ui::Icono::Ninguno, ui::Botones::SiNo);
    if (r == ui::Respuesta::Si)
        m_list1->clear();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // A running generation keeps the window painting and may see its close
    // box; it finishes (or is cancelled from its progress) first.
    if (m_generando) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Form1::Command4_Click()
{
    // Progress keeps the window painting while a long list is read, so the
    // button could be clicked again under a running generation.
    if (!m_generando)
        generaPelicula();
}

} // namespace orv::creator

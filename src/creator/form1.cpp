#include "form1.h"

#include "filelist.h"
#include "pauses.h"
#include "prompt.h"
#include "twips.h"
#include "ver.h"

#include <QCheckBox>
#include <QDir>
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

template <typename W> W* place(QWidget* parent, const char* name, const QRect& where)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(where);
    return w;
}

} // namespace

bool acceptedExtension(const FileName& path)
{
    static const char* const kExtensions[] = {".bmp", ".gif", ".jpeg", ".jpg", ".dib",
                                              ".wmf", ".emf", ".ico",  ".cur"};
    for (const char* e : kExtensions) {
        if (path.endsWith(e))
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
    makeControls();
    makeMenus();
    m_velocidad->addItems(ui::usualPauses());
    m_velocidad->setCurrentText(QStringLiteral("100"));
    // A fixed border: the client area is 8490 × 4860 twips under the menu bar.
    centralWidget()->setFixedSize(ui::twips(this, 8490), ui::twips(this, 4860));
    adjustSize();
    setFixedSize(sizeHint());
}

QListWidget* Form1::list() const
{
    return m_list1;
}

void Form1::makeControls()
{
    // The twip layout was made for the classic 8-point dialog font; a larger
    // desktop font would cut the captions at these sizes.
    auto* client = new QWidget(this);
    QFont letter = client->font();
    letter.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                        QStringLiteral("Arial")});
    letter.setPointSizeF(8);
    client->setFont(letter);
    setCentralWidget(client);

    auto* frame1 = place<QGroupBox>(client, "Frame1", ui::twipsRect(this, 60, 0, 8355, 3975));
    m_list1 = new ui::FileList(frame1);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(ui::twipsRect(this, 120, 240, 8115, 3180));
    auto* eliminar =
        place<QPushButton>(frame1, "eliminar", ui::twipsRect(this, 120, 3480, 795, 375));
    eliminar->setText(QStringLiteral("Eliminar"));
    auto* label1 = place<QLabel>(frame1, "Label1", ui::twipsRect(this, 1020, 3480, 4575, 435));
    label1->setText(
        QStringLiteral("Para agregar imágenes, arrastre las imágenes sobre la lista. Haga "
                       "doble clic sobre una imágen para verla ampliada."));
    label1->setWordWrap(true);
    label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* arriba = place<QPushButton>(frame1, "arriba", ui::twipsRect(this, 6780, 3480, 735, 375));
    arriba->setText(QStringLiteral("Arriba"));
    auto* abajo = place<QPushButton>(frame1, "abajo", ui::twipsRect(this, 7560, 3480, 675, 375));
    abajo->setText(QStringLiteral("Abajo"));

    m_picture1 =
        place<QLabel>(client, "Picture1", QRect(ui::twips(this, 105), ui::twips(this, 135), 1, 1));
    m_picture1->setFrameStyle(QFrame::NoFrame);
    m_picture1->hide();

    auto* label2 = place<QLabel>(client, "Label2", ui::twipsRect(this, 120, 4200, 675, 255));
    label2->setText(QStringLiteral("Creador:"));
    m_creador = place<QLineEdit>(client, "creador", ui::twipsRect(this, 780, 4140, 1815, 315));
    auto* label3 = place<QLabel>(client, "Label3", ui::twipsRect(this, 2820, 4200, 555, 255));
    label3->setText(QStringLiteral("Pausa:"));
    m_velocidad = place<QComboBox>(client, "velocidad", ui::twipsRect(this, 3360, 4140, 975, 315));
    m_velocidad->setEditable(true);
    m_velocidad->setInsertPolicy(QComboBox::NoInsert);
    auto* label4 = place<QLabel>(client, "Label4", ui::twipsRect(this, 4440, 4200, 1215, 195));
    label4->setText(QStringLiteral("milisegundos."));
    m_check1 = place<QCheckBox>(client, "Check1", ui::twipsRect(this, 120, 4560, 3795, 255));
    m_check1->setText(QStringLiteral("Comprimir automáticamente la película de salida."));
    m_check1->setChecked(true);
    // A style's check mark can be wider than the classic one; the free space
    // to the right takes the rest of the caption rather than cutting it.
    m_check1->resize(std::max(m_check1->width(), m_check1->sizeHint().width()), m_check1->height());
    m_command4 = place<QPushButton>(client, "Command4", ui::twipsRect(this, 6420, 4440, 1995, 375));
    m_command4->setText(QStringLiteral("Generar película..."));

    // The tab order, controls that take no focus left out.
    QWidget::setTabOrder(m_list1, eliminar);
    QWidget::setTabOrder(eliminar, m_command4);
    QWidget::setTabOrder(m_command4, arriba);
    QWidget::setTabOrder(arriba, abajo);
    QWidget::setTabOrder(abajo, m_creador);
    QWidget::setTabOrder(m_creador, m_velocidad);
    QWidget::setTabOrder(m_velocidad, m_check1);

    connect(m_list1, &ui::FileList::dropped, this, &Form1::List1_OLEDragDrop);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    connect(eliminar, &QPushButton::clicked, this, &Form1::eliminar_Click);
    // The Delete key in the list does what "Eliminar" does.
    new QShortcut(QKeySequence::Delete, m_list1, this, &Form1::eliminar_Click, Qt::WidgetShortcut);
    connect(arriba, &QPushButton::clicked, this, &Form1::arriba_Click);
    connect(abajo, &QPushButton::clicked, this, &Form1::abajo_Click);
    connect(m_command4, &QPushButton::clicked, this, &Form1::Command4_Click);
}

void Form1::List1_OLEDragDrop(const FileNames& paths)
{
    const QString crlf = QStringLiteral("\r\n");
    for (const FileName& path : paths) {
        if (!acceptedExtension(path)) {
            const ui::Answer r = ui::prompt().message(
                this,
                QStringLiteral(
                    "La siguiente imágen, al parecer, tiene una extensión no compatible con "
                    "el programa: ") +
                    crlf + QDir::toNativeSeparators(path.display()) + crlf + crlf +
                    QStringLiteral(
                        "¿Realmente desea agregar la imágen a la lista de imagenes de la "
                        "película ASCII?"),
                QStringLiteral("Posible imágen inválida"), ui::Icon::None, ui::Buttons::YesNo);
            if (r != ui::Answer::Yes)
                continue;
        }
        m_list1->addPath(path);
    }
}

void Form1::moveritem(QListWidget* list, int offset)
{
    ui::moveritem(list, offset);
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
    if (ver.muestraVista(ui::FileList::pathOf(*item)))
        ver.exec();
}

void Form1::menu_limpiar_Click()
{
    if (m_list1->count() == 0)
        return;
    const ui::Answer r = ui::prompt().message(
        this, QStringLiteral("¿Realmente desea eliminar todas las imagenes de la lista?"),
        QStringLiteral("Limpiar lista"), ui::Icon::None, ui::Buttons::YesNo);
    if (r == ui::Answer::Yes)
        m_list1->clear();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // A running generation keeps the window painting and may see its close
    // box; it finishes (or is cancelled from its progress) first.
    if (m_generating) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Form1::Command4_Click()
{
    // Progress keeps the window painting while a long list is read, so the
    // button could be clicked again under a running generation.
    if (!m_generating)
        generaPelicula();
}

} // namespace orv::creator

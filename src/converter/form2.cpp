#include "form2.h"

#include "controles.h"
#include "twips.h"
#include "cp1252.h"
#include "lectorlineas.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractListModel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <deque>

namespace orv::converter {
namespace {

// Lines longer than this are measured only up to it.
constexpr qsizetype kLargoMaximo = qsizetype(1) << 20;
// ... and shown only up to this: the widest frame a conversion makes.
constexpr qsizetype kLargoMostrado = 32767;
// A tick reads at most this many blocks between looks at the clock.
constexpr int kBloquesPorVistazo = 4;

} // namespace

// The loaded lines, held compactly: their shown bytes in Windows-1252,
// packed into blocks of a few megabytes, and for each line where its bytes
// are and its measured length (12 bytes a line). Nothing is ever moved as
// the file grows, so no tick pays for copying what came before. The list
// asks only for the rows it paints.
class LineasAnalizadas : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& padre = {}) const override
    {
        return padre.isValid() ? 0 : m_mostradas;
    }
    QVariant data(const QModelIndex& indice, int rol) const override
    {
        if (rol != Qt::DisplayRole || !indice.isValid() || indice.row() >= m_mostradas)
            return {};
        const Linea& l = m_lineas[std::size_t(indice.row())];
        return fromCp1252(QByteArrayView(m_bloques[l.bloque]).sliced(l.inicio, mostrado(l.largo)));
    }
    qsizetype largo(int fila) const { return m_lineas[std::size_t(fila)].largo; }

    // Lines are gathered, then shown together.
    void agrega(QByteArrayView linea)
    {
        const qsizetype n = mostrado(linea.size());
        if (m_bloques.empty() || m_bloques.back().size() + n > kBloque) {
            m_bloques.emplace_back();
            m_bloques.back().reserve(kBloque);
        }
        QByteArray& bloque = m_bloques.back();
        m_lineas.push_back({std::uint32_t(m_bloques.size() - 1), std::uint32_t(bloque.size()),
                            std::int32_t(linea.size())});
        bloque.append(linea.first(n));
    }
    void muestra()
    {
        const int total = int(m_lineas.size());
        if (total == m_mostradas)
            return;
        beginInsertRows({}, m_mostradas, total - 1);
        m_mostradas = total;
        endInsertRows();
    }

private:
    static constexpr qsizetype kBloque = qsizetype(4) << 20;
    static qsizetype mostrado(qsizetype largo) { return std::min(largo, kLargoMostrado); }
    struct Linea
    {
        std::uint32_t bloque;
        std::uint32_t inicio;
        std::int32_t largo;
    };
    std::deque<QByteArray> m_bloques;
    std::deque<Linea> m_lineas;
    int m_mostradas = 0;
};

Form2::Form2(const QString& ruta, QWidget* parent) : QDialog(parent), m_archivo(ruta)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Analizador de imágenes ASCII normales"));
    setSizeGripEnabled(true);

    auto* columna = new QVBoxLayout(this);
    m_area = new QStackedLayout;
    auto* espera = new QWidget(this);
    auto* esperaColumna = new QVBoxLayout(espera);
    m_label5 = nombrado(new QLabel(QStringLiteral("Espere un momento mientras se carga el archivo..."), espera),
                        "Label5");
    m_label5->setAlignment(Qt::AlignCenter);
    m_command4 = nombrado(new QPushButton(QStringLiteral("Cancelar carga"), espera), "Command4");
    connect(m_command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    esperaColumna->addStretch();
    esperaColumna->addWidget(m_label5);
    esperaColumna->addWidget(m_command4, 0, Qt::AlignCenter);
    esperaColumna->addStretch();
    m_lista = nombrado(new QListView(this), "List1");
    m_lineas = new LineasAnalizadas(this);
    m_lista->setModel(m_lineas);
    m_lista->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lista->setUniformItemSizes(true);
    m_lista->setLayoutMode(QListView::Batched);
    m_lista->setFont(fuenteFija());
    m_lista->installEventFilter(this);
    m_lista->viewport()->installEventFilter(this);
    m_area->addWidget(espera);
    m_area->addWidget(m_lista);
    columna->addLayout(m_area, 1);

    auto* abajo = new QHBoxLayout;
    auto* frame1 = nombrado(new QGroupBox(QStringLiteral("Análisis"), this), "Frame1");
    auto* analisis = new QVBoxLayout(frame1);
    auto* medidas = new QHBoxLayout;
    medidas->addWidget(nombrado(new QLabel(QStringLiteral("Ancho:"), frame1), "Label2"));
    m_ancho = nombrado(new QLineEdit(QStringLiteral("0"), frame1), "ancho");
    medidas->addWidget(m_ancho);
    auto* command2 = nombrado(new QPushButton(QStringLiteral(">"), frame1), "Command2");
    connect(command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    medidas->addWidget(command2);
    medidas->addSpacing(12);
    medidas->addWidget(nombrado(new QLabel(QStringLiteral("Alto:"), frame1), "Label4"));
    m_alto = nombrado(new QLineEdit(QStringLiteral("0"), frame1), "alto");
    medidas->addWidget(m_alto);
    auto* command3 = nombrado(new QPushButton(QStringLiteral(">"), frame1), "Command3");
    connect(command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    medidas->addWidget(command3);
    for (QPushButton* b : {command2, command3})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral(">")) + 24);
    analisis->addLayout(medidas);
    auto* label3 = nombrado(new QLabel(QStringLiteral("Use el mouse para seleccionar un cuadro representativo de "
                                                      "la película, procure seleccionar el cuadro que tenga la "
                                                      "línea más ancha posible."),
                                       frame1),
                            "Label3");
    auto* label1 = nombrado(new QLabel(QStringLiteral("Haga clic en el botón cercano al ancho y/o alto para enviar "
                                                      "los datos a la ventana principal del programa."),
                                       frame1),
                            "Label1");
    label3->setWordWrap(true);
    label1->setWordWrap(true);
    analisis->addWidget(label3);
    analisis->addWidget(label1);
    abajo->addWidget(frame1, 1);

    auto* frame2 = nombrado(new QWidget(this), "Frame2");
    auto* pila = new QVBoxLayout(frame2);
    pila->setContentsMargins(0, 0, 0, 0);
    pila->addWidget(nombrado(new QLabel(QStringLiteral("Tamaño letra:"), frame2), "Label6"));
    m_combo1 = nombrado(new QComboBox(frame2), "Combo1");
    m_combo1->addItems({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("8"), QStringLiteral("10"),
                        QStringLiteral("15")});
    m_combo1->setCurrentIndex(-1);
    connect(m_combo1, &QComboBox::activated, this, &Form2::Combo1_Click);
    pila->addWidget(m_combo1);
    auto* command5 = nombrado(new QPushButton(QStringLiteral("&Copiar y aceptar"), frame2), "Command5");
    connect(command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    auto* command1 = nombrado(new QPushButton(QStringLiteral("&Aceptar"), frame2), "Command1");
    connect(command1, &QPushButton::clicked, this, &QDialog::accept);
    pila->addWidget(command5);
    pila->addWidget(command1);
    pila->addStretch();
    abajo->addWidget(frame2, 0, Qt::AlignBottom);
    columna->addLayout(abajo);

    // Sizes of the classic window, in twips: the client area it opens with
    // and the smallest outer size it may be dragged to.
    resize(ui::twips(this, 7065), ui::twips(this, 6255));
    setMinimumSize(ui::twips(this, 7185), ui::twips(this, 5500));

    // A source that can no longer be opened gives an empty, ready list at
    // the first tick.
    if (m_archivo.open(QIODevice::ReadOnly))
        m_lector = std::make_unique<LectorLineas>(m_archivo, kLargoMaximo);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1);
    connect(m_timer, &QTimer::timeout, this, &Form2::Timer1_Timer);
    m_timer->start();
}

Form2::~Form2() = default;

bool Form2::cargando() const { return m_timer->isActive(); }

void Form2::Timer1_Timer()
{
    if (!m_timer->isActive())
        return;
    if (!m_lector || !m_command4->isEnabled()) {
        terminaCarga();
        return;
    }
    QElapsedTimer reloj;
    reloj.start();
    QByteArrayView linea;
    bool fin = false;
    int lineas = 0;
    while (lineas < m_limitePorPaso) {
        const LectorLineas::Paso paso = m_lector->avanza(linea, kBloquesPorVistazo);
        if (paso == LectorLineas::Paso::Fin) {
            fin = true;
            break;
        }
        if (paso == LectorLineas::Paso::Linea) {
            // One byte is one character in Windows-1252, so the line's length
            // in bytes is its length as the conversion counts it.
            m_lineas->agrega(linea);
            ++lineas;
        }
        if ((paso == LectorLineas::Paso::Sigue || (lineas & 63) == 0) && reloj.nsecsElapsed() > m_presupuestoNs)
            break;
    }
    if (lineas > 0) {
        m_lineas->muestra();
        m_label5->setText(QStringLiteral("Se han cargado ") + QString::number(m_lineas->rowCount())
                          + QStringLiteral(" líneas del archivo hasta el momento..."));
    }
    if (fin)
        terminaCarga();
}

void Form2::terminaCarga()
{
    m_timer->stop();
    m_lector.reset();
    m_archivo.close();
    m_command4->setFocusPolicy(Qt::NoFocus);
    m_area->setCurrentWidget(m_lista);
}

void Form2::Command4_Click() { m_command4->setEnabled(false); }

void Form2::medirseleccion()
{
    const QItemSelectionModel* seleccion = m_lista->selectionModel();
    const QModelIndexList filas = seleccion->selectedRows();
    if (filas.isEmpty())
        return;
    int primera = filas.first().row();
    for (const QModelIndex& i : filas)
        primera = std::min(primera, i.row());
    int alto = 0;
    qsizetype ancho = 0;
    for (int fila = primera; fila < m_lineas->rowCount() && seleccion->isRowSelected(fila); ++fila) {
        ++alto;
        ancho = std::max(ancho, m_lineas->largo(fila));
    }
    m_alto->setText(QString::number(alto));
    m_ancho->setText(QString::number(ancho));
}

bool Form2::eventFilter(QObject* objeto, QEvent* evento)
{
    if ((objeto == m_lista && evento->type() == QEvent::KeyRelease)
        || (objeto == m_lista->viewport() && evento->type() == QEvent::MouseButtonRelease))
        QTimer::singleShot(0, this, &Form2::medirseleccion);
    return QDialog::eventFilter(objeto, evento);
}

void Form2::Command2_Click() { emit enviaAncho(m_ancho->text()); }

void Form2::Command3_Click() { emit enviaAlto(m_alto->text()); }

void Form2::Command5_Click()
{
    Command2_Click();
    Command3_Click();
    accept();
}

void Form2::Combo1_Click(int indice)
{
    if (indice < 0)
        return;
    QFont fuente = m_lista->font();
    fuente.setPointSize(m_combo1->itemText(indice).toInt());
    m_lista->setFont(fuente);
}

} // namespace orv::converter

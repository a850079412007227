#include "form2.h"

#include "controls.h"
#include "cp1252.h"
#include "linereader.h"
#include "twips.h"

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
constexpr qsizetype kMaxLength = qsizetype(1) << 20;
// ... and shown only up to this: the widest frame a conversion makes.
constexpr qsizetype kShownLength = 32767;
// A tick reads at most this many blocks between looks at the clock.
constexpr int kBlocksPerGlance = 4;

} // namespace

// The loaded lines, held compactly: their shown bytes in Windows-1252,
// packed into blocks of a few megabytes, and for each line where its bytes
// are and its measured length (12 bytes a line). Nothing is ever moved as
// the file grows, so no tick pays for copying what came before. The list
// asks only for the rows it paints.
class AnalysedLines : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_shown;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shown)
            return {};
        const Line& l = m_lines[std::size_t(index.row())];
        return fromCp1252(QByteArrayView(m_blocks[l.block]).sliced(l.start, shown(l.length)));
    }
    qsizetype length(int row) const { return m_lines[std::size_t(row)].length; }

    // Lines are gathered, then shown together.
    void add(QByteArrayView line)
    {
        const qsizetype n = shown(line.size());
        if (m_blocks.empty() || m_blocks.back().size() + n > kBlock) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlock);
        }
        QByteArray& block = m_blocks.back();
        m_lines.push_back({std::uint32_t(m_blocks.size() - 1), std::uint32_t(block.size()),
                           std::int32_t(line.size())});
        block.append(line.first(n));
    }
    void show()
    {
        const int total = int(m_lines.size());
        if (total == m_shown)
            return;
        beginInsertRows({}, m_shown, total - 1);
        m_shown = total;
        endInsertRows();
    }

private:
    static constexpr qsizetype kBlock = qsizetype(4) << 20;
    static qsizetype shown(qsizetype length) { return std::min(length, kShownLength); }
    struct Line
    {
        std::uint32_t block;
        std::uint32_t start;
        std::int32_t length;
    };
    std::deque<QByteArray> m_blocks;
    std::deque<Line> m_lines;
    int m_shown = 0;
};

Form2::Form2(const QString& path, QWidget* parent) : QDialog(parent), m_file(path)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Analizador de imágenes ASCII normales"));
    setSizeGripEnabled(true);

    auto* column = new QVBoxLayout(this);
    m_area = new QStackedLayout;
    auto* wait = new QWidget(this);
    auto* expectedColumn = new QVBoxLayout(wait);
    m_label5 =
        named(new QLabel(QStringLiteral("Espere un momento mientras se carga el archivo..."), wait),
              "Label5");
    m_label5->setAlignment(Qt::AlignCenter);
    m_command4 = named(new QPushButton(QStringLiteral("Cancelar carga"), wait), "Command4");
    connect(m_command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    expectedColumn->addStretch();
    expectedColumn->addWidget(m_label5);
    expectedColumn->addWidget(m_command4, 0, Qt::AlignCenter);
    expectedColumn->addStretch();
    m_list = named(new QListView(this), "List1");
    m_lines = new AnalysedLines(this);
    m_list->setModel(m_lines);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setFont(fixedFont());
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_area->addWidget(wait);
    m_area->addWidget(m_list);
    column->addLayout(m_area, 1);

    auto* abajo = new QHBoxLayout;
    auto* frame1 = named(new QGroupBox(QStringLiteral("Análisis"), this), "Frame1");
    auto* analysis = new QVBoxLayout(frame1);
    auto* measures = new QHBoxLayout;
    measures->addWidget(named(new QLabel(QStringLiteral("Ancho:"), frame1), "Label2"));
    m_ancho = named(new QLineEdit(QStringLiteral("0"), frame1), "ancho");
    measures->addWidget(m_ancho);
    auto* command2 = named(new QPushButton(QStringLiteral(">"), frame1), "Command2");
    connect(command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    measures->addWidget(command2);
    measures->addSpacing(12);
    measures->addWidget(named(new QLabel(QStringLiteral("Alto:"), frame1), "Label4"));
    m_alto = named(new QLineEdit(QStringLiteral("0"), frame1), "alto");
    measures->addWidget(m_alto);
    auto* command3 = named(new QPushButton(QStringLiteral(">"), frame1), "Command3");
    connect(command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    measures->addWidget(command3);
    for (QPushButton* b : {command2, command3})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral(">")) + 24);
    analysis->addLayout(measures);
    auto* label3 =
        named(new QLabel(QStringLiteral("Use el mouse para seleccionar un cuadro representativo de "
                                        "la película, procure seleccionar el cuadro que tenga la "
                                        "línea más ancha posible."),
                         frame1),
              "Label3");
    auto* label1 = named(
        new QLabel(QStringLiteral("Haga clic en el botón cercano al ancho y/o alto para enviar "
                                  "los datos a la ventana principal del programa."),
                   frame1),
        "Label1");
    label3->setWordWrap(true);
    label1->setWordWrap(true);
    analysis->addWidget(label3);
    analysis->addWidget(label1);
    abajo->addWidget(frame1, 1);

    auto* frame2 = named(new QWidget(this), "Frame2");
    auto* stack = new QVBoxLayout(frame2);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(named(new QLabel(QStringLiteral("Tamaño letra:"), frame2), "Label6"));
    m_combo1 = named(new QComboBox(frame2), "Combo1");
    m_combo1->addItems({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("8"), QStringLiteral("10"),
                        QStringLiteral("15")});
    m_combo1->setCurrentIndex(-1);
    connect(m_combo1, &QComboBox::activated, this, &Form2::Combo1_Click);
    stack->addWidget(m_combo1);
    auto* command5 =
        named(new QPushButton(QStringLiteral("&Copiar y aceptar"), frame2), "Command5");
    connect(command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    auto* command1 = named(new QPushButton(QStringLiteral("&Aceptar"), frame2), "Command1");
    connect(command1, &QPushButton::clicked, this, &QDialog::accept);
    stack->addWidget(command5);
    stack->addWidget(command1);
    stack->addStretch();
    abajo->addWidget(frame2, 0, Qt::AlignBottom);
    column->addLayout(abajo);

    // Sizes of the classic window, in twips: the client area it opens with
    // and the smallest outer size it may be dragged to.
    resize(ui::twips(this, 7065), ui::twips(this, 6255));
    setMinimumSize(ui::twips(this, 7185), ui::twips(this, 5500));

    // A source that can no longer be opened gives an empty, ready list at
    // the first tick.
    if (m_file.open(QIODevice::ReadOnly))
        m_reader = std::make_unique<LineReader>(m_file, kMaxLength);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1);
    connect(m_timer, &QTimer::timeout, this, &Form2::Timer1_Timer);
    m_timer->start();
}

Form2::~Form2() = default;

bool Form2::loading() const
{
    return m_timer->isActive();
}

void Form2::Timer1_Timer()
{
    if (!m_timer->isActive())
        return;
    if (!m_reader || !m_command4->isEnabled()) {
        finishLoad();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArrayView line;
    bool end = false;
    int lines = 0;
    while (lines < m_limitPerStep) {
        const LineReader::Step step = m_reader->stepForward(line, kBlocksPerGlance);
        if (step == LineReader::Step::End) {
            end = true;
            break;
        }
        if (step == LineReader::Step::Line) {
            // One byte is one character in Windows-1252, so the line's length
            // in bytes is its length as the conversion counts it.
            m_lines->add(line);
            ++lines;
        }
        if ((step == LineReader::Step::More || (lines & 63) == 0) &&
            clock.nsecsElapsed() > m_budgetNs)
            break;
    }
    if (lines > 0) {
        m_lines->show();
        m_label5->setText(QStringLiteral("Se han cargado ") + QString::number(m_lines->rowCount()) +
                          QStringLiteral(" líneas del archivo hasta el momento..."));
    }
    if (end)
        finishLoad();
}

void Form2::finishLoad()
{
    m_timer->stop();
    m_reader.reset();
    m_file.close();
    m_command4->setFocusPolicy(Qt::NoFocus);
    m_area->setCurrentWidget(m_list);
}

void Form2::Command4_Click() { m_command4->setEnabled(false); }

void Form2::medirseleccion()
{
    const QItemSelectionModel* selection = m_list->selectionModel();
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return;
    int first = rows.first().row();
    for (const QModelIndex& i : rows)
        first = std::min(first, i.row());
    int alto = 0;
    qsizetype ancho = 0;
    for (int row = first; row < m_lines->rowCount() && selection->isRowSelected(row); ++row) {
        ++alto;
        ancho = std::max(ancho, m_lines->length(row));
    }
    m_alto->setText(QString::number(alto));
    m_ancho->setText(QString::number(ancho));
}

bool Form2::eventFilter(QObject* object, QEvent* event)
{
    if ((object == m_list && event->type() == QEvent::KeyRelease) ||
        (object == m_list->viewport() && event->type() == QEvent::MouseButtonRelease))
        QTimer::singleShot(0, this, &Form2::medirseleccion);
    return QDialog::eventFilter(object, event);
}

void Form2::Command2_Click()
{
    emit sendWidth(m_ancho->text());
}

void Form2::Command3_Click()
{
    emit sendHeight(m_alto->text());
}

void Form2::Command5_Click()
{
    Command2_Click();
    Command3_Click();
    accept();
}

void Form2::Combo1_Click(int index)
{
    if (index < 0)
        return;
    QFont font = m_list->font();
    font.setPointSize(m_combo1->itemText(index).toInt());
    m_list->setFont(font);
}

} // namespace orv::converter

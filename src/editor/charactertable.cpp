#include "charactertable.h"

#include "cp1252.h"
#include "fixedfont.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orv::editor {

CharacterTable::CharacterTable(QChar current, QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(14, 16))
{
    setWindowTitle(QStringLiteral("Elegir carácter"));
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setFont(render::fixedFont(12));
    for (int b = 0x20; b <= 0xFF; ++b) {
        const QString text = fromCp1252(QByteArray(1, char(b)));
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        item->setToolTip(QStringLiteral("%1 (código %2)").arg(text).arg(b));
        // A byte Windows-1252 leaves undefined cannot be chosen.
        if (toCp1252(text) != QByteArray(1, char(b)) || text.at(0).isNull())
            item->setFlags(Qt::NoItemFlags);
        m_table->setItem((b - 0x20) / 16, (b - 0x20) % 16, item);
    }
    for (int c = 0; c < 16; ++c)
        m_table->setColumnWidth(c, 28);
    for (int r = 0; r < 14; ++r)
        m_table->setRowHeight(r, 26);
    m_table->setFixedSize(16 * 28 + 4, 14 * 26 + 4);
    choose(current);
    connect(m_table, &QTableWidget::cellClicked, this, [this] { accept(); });
    connect(m_table, &QTableWidget::cellActivated, this, [this] { accept(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    setFixedSize(sizeHint());
}

QChar CharacterTable::chosen() const
{
    const QTableWidgetItem* item = m_table->currentItem();
    return item ? item->text().at(0) : QChar(QLatin1Char(' '));
}

void CharacterTable::choose(QChar c)
{
    const QByteArray b = toCp1252(QString(c));
    if (b.size() != 1 || uchar(b.at(0)) < 0x20)
        return;
    const int at = uchar(b.at(0)) - 0x20;
    m_table->setCurrentCell(at / 16, at % 16);
}

} // namespace orv::editor

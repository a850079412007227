#include "form2.h"

#include <QPlainTextEdit>
#include <QResizeEvent>

namespace orv::compactor {

Form2::Form2(const QStringList& history, QWidget* parent)
    : QDialog(parent), m_list1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Ver historial"));
    setSizeGripEnabled(true);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Every line followed by its line end, as the history was always copied.
    QString text;
    for (const QString& line : history)
        text += line + QLatin1Char('\n');
    m_list1->setPlainText(text);
    resize(520, 360);
}

// The text box fills the window's inside; a window too small to hold it
// leaves it at the last size that fitted.
void Form2::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize inside = event->size();
    if (inside.width() > 0 && inside.height() > 0)
        m_list1->setGeometry(QRect(QPoint(0, 0), inside));
}

} // namespace orv::compactor

#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace orv::compactor {

// The history viewer: the lines of the last batch in one text box that
// follows the window's size. Loaded when it opens; closing discards it.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    Form2(const QStringList& history, QWidget* parent = nullptr);

    QPlainTextEdit* List1() const { return m_list1; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPlainTextEdit* m_list1;
};

} // namespace orv::compactor

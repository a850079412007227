#pragma once

#include <QDialog>

class QTableWidget;

namespace orv::editor {

// The characters a movie can hold (Windows-1252, space to ÿ), sixteen to a
// row; a click or Enter chooses one.
class CharacterTable : public QDialog
{
    Q_OBJECT
public:
    explicit CharacterTable(QChar current, QWidget* parent = nullptr);
    QChar chosen() const;
    // Chooses the character as a click would.
    void choose(QChar c);

private:
    QTableWidget* m_table;
};

} // namespace orv::editor

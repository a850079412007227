#pragma once

#include "editedmovie.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QLineEdit;
class QSpinBox;

namespace orv::editor {

// "Nuevo..." and "Propiedades...": the size (with, for a movie that has
// frames already, the anchor its pictures keep), the pause, the author and
// the information. "Aceptar" asks `check` first: a value it refuses is said
// and the dialog stays open.
class MovieDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { New, Properties };
    using Check = std::function<std::optional<QString>(const MovieDialog&)>;

    MovieDialog(Kind kind, QWidget* parent, Check check);

    void setValues(QSize size, const QString& pause, const QString& author, const QString& info);
    QSize movieSize() const;
    Anchor anchor() const;
    QString pause() const;
    QString author() const;
    QString info() const;

    // The fields, for a person or a test to fill.
    QSpinBox* widthBox() const { return m_width; }
    QSpinBox* heightBox() const { return m_height; }
    QLineEdit* pauseBox() const { return m_pause; }
    QLineEdit* authorBox() const { return m_author; }
    QLineEdit* infoBox() const { return m_info; }
    void setAnchor(Anchor anchor);

private:
    void acceptIfValid();

    QSpinBox* m_width;
    QSpinBox* m_height;
    QLineEdit* m_pause;
    QLineEdit* m_author;
    QLineEdit* m_info;
    QButtonGroup* m_anchors = nullptr;
    Check m_check;
};

} // namespace orv::editor

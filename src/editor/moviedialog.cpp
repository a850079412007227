#include "moviedialog.h"

#include "prompt.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

namespace orv::editor {

MovieDialog::MovieDialog(Kind kind, QWidget* parent, Check check)
    : QDialog(parent), m_check(std::move(check))
{
    setWindowTitle(kind == Kind::New ? QStringLiteral("Nueva película") : QStringLiteral("Propiedades de la película"));
    auto* form = new QFormLayout;
    m_width = new QSpinBox;
    m_width->setRange(2, 32767);
    m_width->setValue(80);
    m_height = new QSpinBox;
    m_height->setRange(2, 32766);
    m_height->setValue(25);
    auto* size = new QHBoxLayout;
    size->addWidget(m_width);
    size->addWidget(new QLabel(QStringLiteral("×")));
    size->addWidget(m_height);
    size->addStretch();
    auto* sizeLabel = new QLabel(QStringLiteral("&Ancho × alto (caracteres):"));
    sizeLabel->setBuddy(m_width);
    form->addRow(sizeLabel, size);
    if (kind == Kind::Properties) {
        // Nine buttons: where the pictures stay when the size changes.
        auto* grid = new QGridLayout;
        grid->setSpacing(2);
        m_anchors = new QButtonGroup(this);
        static const char* const kArrows[] = {"↖", "↑", "↗", "←", "·", "→", "↙", "↓", "↘"};
        for (int i = 0; i < 9; ++i) {
            auto* b = new QToolButton;
            b->setText(QString::fromUtf8(kArrows[i]));
            b->setCheckable(true);
            b->setFixedSize(26, 26);
            m_anchors->addButton(b, i);
            grid->addWidget(b, i / 3, i % 3);
        }
        m_anchors->button(0)->setChecked(true);
        auto* holder = new QHBoxLayout;
        holder->addLayout(grid);
        holder->addStretch();
        form->addRow(QStringLiteral("Los cuadros se recortan o se amplían desde:"), holder);
    }
    m_pause = new QLineEdit(QStringLiteral("100"));
    m_author = new QLineEdit;
    m_info = new QLineEdit;
    form->addRow(QStringLiteral("&Pausa (milisegundos):"), m_pause);
    form->addRow(QStringLiteral("&Creador:"), m_author);
    form->addRow(QStringLiteral("&Información:"), m_info);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &MovieDialog::acceptIfValid);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
    setMinimumWidth(420);
}

void MovieDialog::setValues(QSize size, const QString& pause, const QString& author, const QString& info)
{
    m_width->setValue(size.width());
    m_height->setValue(size.height());
    m_pause->setText(pause);
    m_author->setText(author);
    m_info->setText(info);
}

QSize MovieDialog::movieSize() const
{
    return {m_width->value(), m_height->value()};
}

Anchor MovieDialog::anchor() const
{
    return m_anchors ? Anchor(std::max(0, m_anchors->checkedId())) : Anchor::NorthWest;
}

void MovieDialog::setAnchor(Anchor anchor)
{
    if (m_anchors)
        m_anchors->button(int(anchor))->setChecked(true);
}

QString MovieDialog::pause() const
{
    return m_pause->text().trimmed();
}

QString MovieDialog::author() const
{
    return m_author->text();
}

QString MovieDialog::info() const
{
    return m_info->text();
}

void MovieDialog::acceptIfValid()
{
    if (const std::optional<QString> why = m_check(*this)) {
        ui::prompt().message(this, *why, windowTitle(), ui::Icon::Exclamation, ui::Buttons::Ok);
        return;
    }
    accept();
}

} // namespace orv::editor

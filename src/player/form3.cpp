#include "form3.h"

#include "cp1252.h"
#include "movie.h"
#include "filename.h"
#include "numberformat.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace orv::player {
namespace {

QWidget* field(QWidget* parent, const QString& name, const QString& text)
{
    auto* t = new QLineEdit(text, parent);
    t->setObjectName(name);
    t->setReadOnly(true);
    t->setCursorPosition(0);
    return t;
}

QWidget* longField(QWidget* parent, const QString& name, const QString& text)
{
    auto* t = new QPlainTextEdit(text, parent);
    t->setObjectName(name);
    t->setReadOnly(true);
    t->setTabChangesFocus(true);
    t->setFixedHeight(t->fontMetrics().lineSpacing() * 3 + 12);
    return t;
}

} // namespace

Form3::Form3(const Movie& p, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Información adicional"));
    setModal(true);

    // Both groups' labels take the widest one's width, so the boxes line up.
    std::vector<QLabel*> labels;
    auto row = [&labels](QFormLayout* group, const QString& text, QWidget* field) {
        auto* label = new QLabel(text);
        labels.push_back(label);
        group->addRow(label, field);
    };

    auto* frame1 = new QGroupBox(QStringLiteral("Película"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* movie = new QFormLayout(frame1);
    row(movie, QStringLiteral("Ancho, alto (Carácteres):"),
        field(frame1, QStringLiteral("t1"),
              spanishNumber(p.ancho) + QStringLiteral(", ") + spanishNumber(p.alto)));
    row(movie, QStringLiteral("Pausa por cada cuadro (ms.):"),
        field(frame1, QStringLiteral("t2"), spanishNumber(p.pausa)));
    row(movie, QStringLiteral("Longitud de la película (Cuadros):"),
        field(frame1, QStringLiteral("t3"), spanishNumber(p.numCuadros)));
    row(movie, QStringLiteral("Creador de la película:"),
        field(frame1, QStringLiteral("t4"), fromCp1252(p.creador)));
    row(movie, QStringLiteral("Más información:"),
        longField(frame1, QStringLiteral("t5"), fromCp1252(p.masInfo)));

    auto* frame2 = new QGroupBox(QStringLiteral("Archivo"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* file = new QFormLayout(frame2);
    row(file, QStringLiteral("Tamaño del archivo (KB):"),
        field(frame2, QStringLiteral("t6"), spanishNumber(p.tamanoKB)));
    row(file, QStringLiteral("Ruta:"),
        longField(frame2, QStringLiteral("t7"), p.rutaPelicula));

    auto* accept = new QPushButton(QStringLiteral("Aceptar"), this);
    accept->setObjectName(QStringLiteral("Command1"));
    accept->setDefault(true);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);

    int ancho = 0;
    for (const QLabel* label : labels)
        ancho = std::max(ancho, label->sizeHint().width());
    for (QLabel* label : labels)
        label->setMinimumWidth(ancho);

    auto* all = new QVBoxLayout(this);
    all->addWidget(frame1);
    all->addWidget(frame2);
    all->addLayout(buttons);
    setMinimumWidth(420);
}

} // namespace orv::player

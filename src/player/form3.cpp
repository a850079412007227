#include "form3.h"

#include "cp1252.h"
#include "nativename.h"
#include "numberformat.h"
#include "pelicula.h"

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

QWidget* campo(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* t = new QLineEdit(texto, padre);
    t->setObjectName(nombre);
    t->setReadOnly(true);
    t->setCursorPosition(0);
    return t;
}

QWidget* campoLargo(QWidget* padre, const QString& nombre, const QString& texto)
{
    auto* t = new QPlainTextEdit(texto, padre);
    t->setObjectName(nombre);
    t->setReadOnly(true);
    t->setTabChangesFocus(true);
    t->setFixedHeight(t->fontMetrics().lineSpacing() * 3 + 12);
    return t;
}

} // namespace

Form3::Form3(const Pelicula& p, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Información adicional"));
    setModal(true);

    // Both groups' labels take the widest one's width, so the boxes line up.
    std::vector<QLabel*> etiquetas;
    auto fila = [&etiquetas](QFormLayout* grupo, const QString& texto, QWidget* campo) {
        auto* etiqueta = new QLabel(texto);
        etiquetas.push_back(etiqueta);
        grupo->addRow(etiqueta, campo);
    };

    auto* frame1 = new QGroupBox(QStringLiteral("Película"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* pelicula = new QFormLayout(frame1);
    fila(pelicula, QStringLiteral("Ancho, alto (Carácteres):"),
                     campo(frame1, QStringLiteral("t1"),
                           numeroEspanol(p.ancho) + QStringLiteral(", ") + numeroEspanol(p.alto)));
    fila(pelicula, QStringLiteral("Pausa por cada cuadro (ms.):"),
                     campo(frame1, QStringLiteral("t2"), numeroEspanol(p.pausa)));
    fila(pelicula, QStringLiteral("Longitud de la película (Cuadros):"),
                     campo(frame1, QStringLiteral("t3"), numeroEspanol(p.numCuadros)));
    fila(pelicula, QStringLiteral("Creador de la película:"),
                     campo(frame1, QStringLiteral("t4"), fromCp1252(p.creador)));
    fila(pelicula, QStringLiteral("Más información:"),
                     campoLargo(frame1, QStringLiteral("t5"), fromCp1252(p.masInfo)));

    auto* frame2 = new QGroupBox(QStringLiteral("Archivo"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* archivo = new QFormLayout(frame2);
    fila(archivo, QStringLiteral("Tamaño del archivo (KB):"),
                    campo(frame2, QStringLiteral("t6"), numeroEspanol(p.tamanoKB)));
    fila(archivo, QStringLiteral("Ruta:"), campoLargo(frame2, QStringLiteral("t7"), readableName(p.rutaPelicula)));

    auto* aceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar->setObjectName(QStringLiteral("Command1"));
    aceptar->setDefault(true);
    connect(aceptar, &QPushButton::clicked, this, &QDialog::accept);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(aceptar);

    int ancho = 0;
    for (const QLabel* etiqueta : etiquetas)
        ancho = std::max(ancho, etiqueta->sizeHint().width());
    for (QLabel* etiqueta : etiquetas)
        etiqueta->setMinimumWidth(ancho);

    auto* todo = new QVBoxLayout(this);
    todo->addWidget(frame1);
    todo->addWidget(frame2);
    todo->addLayout(botones);
    setMinimumWidth(420);
}

} // namespace orv::player

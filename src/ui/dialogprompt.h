#pragma once

#include "prompt.h"

namespace orv::ui {

// The prompt the programs run with: real Qt dialogs, Spanish button texts,
// CR LF line breaks shown as line breaks.
class DialogPrompt : public Prompt
{
public:
    Respuesta mensaje(QWidget* parent, const QString& texto, const QString& titulo, Icono icono,
                      Botones botones) override;
    std::optional<QString> entrada(QWidget* parent, const QString& texto, const QString& titulo,
                                   const QString& inicial) override;
    QString abrirArchivo(QWidget* parent, const QString& titulo, const QString& filtro) override;
    QStringList abrirArchivos(QWidget* parent, const QString& titulo, const QString& filtro) override;
    QString guardarArchivo(QWidget* parent, const QString& titulo, const QString& filtro,
                           const QString& inicial = {}) override;
    std::optional<QColor> color(QWidget* parent, const QColor& inicial) override;
};

} // namespace orv::ui

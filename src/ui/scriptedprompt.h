#pragma once

#include "prompt.h"

#include <QList>

namespace orv::ui {

// A prompt for tests: it shows nothing, records every call in `calls` and
// answers from queues the test fills beforehand. An empty queue gives the
// answer of a dialog closed without choosing: the message box's close answer
// (Aceptar, No or Cancelar, see respuestaAlCerrar), a cancelled input box,
// file dialog or colour dialog.
//
//     ScriptedPrompt guion;
//     ScopedPrompt instalado(guion);          // every prompt() call now lands here
//     guion.respuestas.append(Respuesta::Si);
//     guion.archivos.append(QStringLiteral("/tmp/a.ovt"));
//     window.doSomething();
//     QCOMPARE(guion.calls.size(), 2);
//     QCOMPARE(guion.calls.last().texto, QStringLiteral("..."));
class ScriptedPrompt : public Prompt
{
public:
    enum class Kind { Mensaje, Entrada, AbrirArchivo, AbrirArchivos, GuardarArchivo, Color };

    // One dialog that would have been shown. Fields a kind does not have stay
    // at their defaults.
    struct Call
    {
        Kind kind = Kind::Mensaje;
        QString texto;  // message or input-box text, exactly as passed (CR LF kept)
        QString titulo; // window title
        Icono icono = Icono::Ninguno;
        Botones botones = Botones::Aceptar;
        QString filtro;  // file dialogs: the classic filter as passed
        QString inicial; // input box: the initial text; Save dialog: the name offered
        QColor colorInicial;
    };

    QList<Call> calls;

    // Answer queues, consumed front first.
    QList<Respuesta> respuestas;            // message boxes
    QList<std::optional<QString>> entradas; // input boxes; std::nullopt cancels
    QList<QString> archivos;                // open and save dialogs; "" cancels
    QList<QStringList> listas;              // Open dialogs of several files; an empty list cancels
    QList<std::optional<QColor>> colores;   // colour dialogs; std::nullopt cancels

    // The calls of one kind, in order.
    QList<Call> of(Kind kind) const;

    Respuesta mensaje(QWidget* parent, const QString& texto, const QString& titulo, Icono icono,
                      Botones botones) override;
    std::optional<QString> entrada(QWidget* parent, const QString& texto, const QString& titulo,
                                   const QString& inicial) override;
    QString abrirArchivo(QWidget* parent, const QString& titulo, const QString& filtro) override;
    QStringList abrirArchivos(QWidget* parent, const QString& titulo, const QString& filtro) override;
    QString guardarArchivo(QWidget* parent, const QString& titulo, const QString& filtro,
                           const QString& inicial = {}) override;
    std::optional<QColor> color(QWidget* parent, const QColor& inicial) override;

private:
    QString archivo(Kind kind, const QString& titulo, const QString& filtro);
};

} // namespace orv::ui

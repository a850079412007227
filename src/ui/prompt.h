#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace orv::ui {

// The prompt seam: every message box, question, input box, file dialog and
// colour dialog of the four programs goes through the current Prompt.
// Production shows real Qt dialogs; tests install a scripted prompt that
// records what was shown and answers without a person.

enum class Icono { Ninguno, Informacion, Exclamacion, Critico, Pregunta };
enum class Botones { Aceptar, SiNo, SiNoCancelar };
enum class Respuesta { Aceptar, Si, No, Cancelar };

class Prompt
{
public:
    virtual ~Prompt() = default;

    // A message box. Texts use CR LF between lines, as the programs build them.
    virtual Respuesta mensaje(QWidget* parent, const QString& texto, const QString& titulo,
                              Icono icono, Botones botones) = 0;

    // An input box; std::nullopt when cancelled.
    virtual std::optional<QString> entrada(QWidget* parent, const QString& texto,
                                           const QString& titulo, const QString& inicial) = 0;

    // Open and Save dialogs. `filtro` is written the classic way,
    // "Descripción (*.ext)|*.ext|Todos los archivos (*.*)|*.*". An empty
    // result means the dialog was cancelled. The Save dialog opens on
    // `inicial` when given: its folder, and its name in the name box.
    virtual QString abrirArchivo(QWidget* parent, const QString& titulo, const QString& filtro) = 0;
    // The Open dialog choosing any number of files; empty when cancelled.
    // It opens in the folder it was last left in, for as long as the
    // program runs.
    virtual QStringList abrirArchivos(QWidget* parent, const QString& titulo, const QString& filtro) = 0;
    virtual QString guardarArchivo(QWidget* parent, const QString& titulo, const QString& filtro,
                                   const QString& inicial = {}) = 0;

    // The colour dialog; std::nullopt when cancelled.
    virtual std::optional<QColor> color(QWidget* parent, const QColor& inicial) = 0;
};

// The prompt in use. Defaults to the real dialogs.
Prompt& prompt();

// Installs another prompt (tests); nullptr restores the real dialogs.
// The caller keeps ownership.
void setPrompt(Prompt* p);

// Turns a classic "text|pattern|text|pattern" filter into a Qt name filter:
// "Orvane ASCII Movie (*.ovt)|*.ovt|Todos los archivos (*.*)|*.*" gives
// "Orvane ASCII Movie (*.ovt);;Todos los archivos (*.*)". Qt takes a filter's
// patterns from its last parenthesised group, so a description that does not
// end with its own patterns gets them appended.
//
// "*.*" matches every file on Windows only; elsewhere it matches only names
// holding a dot, so there it filters as "*": "Todos los archivos (*.*)|*.*"
// gives "Todos los archivos (*.*) (*)", which lists a file of any name.
QString filtroQt(const QString& filtro);

// The name filters of the suite's file dialogs: one per classic entry, the
// description exactly as written followed by the patterns that really filter
// (as in filtroQt), which the dialogs keep out of sight. So the user reads
// "Todos los archivos (*.*)" and sees every file.
QStringList filtrosDialogo(const QString& filtro);

// The answer of a message box closed without a button (Escape, the close box):
// Aceptar, No or Cancelar, by the buttons it had.
Respuesta respuestaAlCerrar(Botones botones);

} // namespace orv::ui

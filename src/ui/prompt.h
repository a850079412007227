#pragma once

#include "filename.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace orv::ui {

// The prompt seam: every message box, question, input box, file dialog and
// colour dialog of the four programs goes through the current Prompt.
// Production shows real Qt dialogs; tests install a scripted prompt that
// records what was shown and answers without a person.

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

class Prompt
{
public:
    virtual ~Prompt() = default;

    // A message box. Texts use CR LF between lines, as the programs build them.
    virtual Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                           Buttons buttons) = 0;

    // An input box; std::nullopt when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& text, const QString& title,
                                         const QString& initial) = 0;

    // Open and Save dialogs. `filter` is written the classic way,
    // "Descripción (*.ext)|*.ext|Todos los archivos (*.*)|*.*". An empty
    // result means the dialog was cancelled. The Save dialog opens on
    // `initial` when given: its folder, and its name in the name box.
    // A chosen name keeps its bytes, whatever they are.
    virtual FileName openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // The Open dialog choosing any number of files; empty when cancelled.
    // It opens in the folder it was last left in, for as long as the
    // program runs.
    virtual FileNames openFiles(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual FileName saveFile(QWidget* parent, const QString& title, const QString& filter,
                              const FileName& initial = {}) = 0;

    // The colour dialog; std::nullopt when cancelled.
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;

    // A program's own dialog (its fields already filled by the caller),
    // shown modal; true when it was accepted.
    virtual bool dialog(QDialog& dialog) = 0;
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
QString qtFilter(const QString& filter);

// The name filters of the suite's file dialogs: one per classic entry, the
// description exactly as written followed by the patterns that really filter
// (as in qtFilter), which the dialogs keep out of sight. So the user reads
// "Todos los archivos (*.*)" and sees every file.
QStringList dialogFilters(const QString& filter);

// The answer of a message box closed without a button (Escape, the close box):
// Ok, No or Cancel, by the buttons it had.
Answer closeAnswer(Buttons buttons);

} // namespace orv::ui

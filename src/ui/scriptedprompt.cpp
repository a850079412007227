#include "scriptedprompt.h"

#include <QDialog>

namespace orv::ui {

QList<ScriptedPrompt::Call> ScriptedPrompt::of(Kind kind) const
{
    QList<Call> found;
    for (const Call& c : calls) {
        if (c.kind == kind)
            found.append(c);
    }
    return found;
}

Answer ScriptedPrompt::message(QWidget*, const QString& text, const QString& title, Icon icon,
                               Buttons buttons)
{
    Call c;
    c.kind = Kind::Message;
    c.text = text;
    c.title = title;
    c.icon = icon;
    c.buttons = buttons;
    calls.append(c);
    return answers.isEmpty() ? closeAnswer(buttons) : answers.takeFirst();
}

std::optional<QString> ScriptedPrompt::input(QWidget*, const QString& text, const QString& title,
                                             const QString& initial)
{
    Call c;
    c.kind = Kind::Input;
    c.text = text;
    c.title = title;
    c.initial = initial;
    calls.append(c);
    return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
}

FileName ScriptedPrompt::openFile(QWidget*, const QString& title, const QString& filter)
{
    return FileName::fromText(file(Kind::OpenFile, title, filter));
}

FileNames ScriptedPrompt::openFiles(QWidget*, const QString& title, const QString& filter)
{
    Call c;
    c.kind = Kind::OpenFiles;
    c.title = title;
    c.filter = filter;
    calls.append(c);
    return fileNamesFromTexts(lists.isEmpty() ? QStringList() : lists.takeFirst());
}

FileName ScriptedPrompt::saveFile(QWidget*, const QString& title, const QString& filter,
                                  const FileName& initial)
{
    const QString chosen = file(Kind::SaveFile, title, filter);
    calls.last().initial = initial.escapedText();
    return FileName::fromText(chosen);
}

// Both file dialogs answer from the one queue of file names.
QString ScriptedPrompt::file(Kind kind, const QString& title, const QString& filter)
{
    Call c;
    c.kind = kind;
    c.title = title;
    c.filter = filter;
    calls.append(c);
    return files.isEmpty() ? QString() : files.takeFirst();
}

std::optional<QColor> ScriptedPrompt::color(QWidget*, const QColor& initial)
{
    Call c;
    c.kind = Kind::Color;
    c.initialColour = initial;
    calls.append(c);
    return colours.isEmpty() ? std::nullopt : colours.takeFirst();
}

bool ScriptedPrompt::dialog(QDialog& dialog)
{
    Call c;
    c.kind = Kind::Dialog;
    c.title = dialog.windowTitle();
    calls.append(c);
    return !dialogs.isEmpty() && dialogs.takeFirst()(dialog);
}

} // namespace orv::ui

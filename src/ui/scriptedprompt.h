#pragma once

#include "prompt.h"

#include <QList>
#include <functional>

namespace orv::ui {

// A prompt for tests: it shows nothing, records every call in `calls` and
// answers from queues the test fills beforehand. An empty queue gives the
// answer of a dialog closed without choosing: the message box's close answer
// (Ok, No or Cancel, see closeAnswer), a cancelled input box,
// file dialog or colour dialog.
//
//     ScriptedPrompt script;
//     ScopedPrompt installed(script);          // every prompt() call now lands here
//     script.answers.append(Answer::Yes);
//     script.files.append(QStringLiteral("/tmp/a.ovt"));
//     window.doSomething();
//     QCOMPARE(script.calls.size(), 2);
//     QCOMPARE(script.calls.last().text, QStringLiteral("..."));
class ScriptedPrompt : public Prompt
{
public:
    enum class Kind { Message, Input, OpenFile, OpenFiles, SaveFile, Color, Dialog };

    // One dialog that would have been shown. Fields a kind does not have stay
    // at their defaults.
    struct Call
    {
        Kind kind = Kind::Message;
        QString text;  // message or input-box text, exactly as passed (CR LF kept)
        QString title; // window title
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        QString filter;  // file dialogs: the classic filter as passed
        QString initial; // input box: the initial text; Save dialog: the name offered, as escaped text
        QColor initialColour;
    };

    QList<Call> calls;

    // Answer queues, consumed front first.
    QList<Answer> answers;                // message boxes
    QList<std::optional<QString>> inputs; // input boxes; std::nullopt cancels
    // File dialogs answer names written as text (bytes that are not UTF-8 as
    // FileName::escapedText() writes them).
    QList<QString> files;                 // open and save dialogs; "" cancels
    QList<QStringList> lists;             // Open dialogs of several files; an empty list cancels
    QList<std::optional<QColor>> colours; // colour dialogs; std::nullopt cancels
    // A program's own dialogs: each function fills the dialog's fields as a
    // person would and answers whether it is accepted. The call records the
    // dialog's title.
    QList<std::function<bool(QDialog&)>> dialogs;

    // The calls of one kind, in order.
    QList<Call> of(Kind kind) const;

    Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override;
    std::optional<QString> input(QWidget* parent, const QString& text, const QString& title,
                                 const QString& initial) override;
    FileName openFile(QWidget* parent, const QString& title, const QString& filter) override;
    FileNames openFiles(QWidget* parent, const QString& title, const QString& filter) override;
    FileName saveFile(QWidget* parent, const QString& title, const QString& filter,
                      const FileName& initial = {}) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    bool dialog(QDialog& dialog) override;

private:
    QString file(Kind kind, const QString& title, const QString& filter);
};

} // namespace orv::ui

#pragma once

#include "prompt.h"

#include <memory>

class QMessageBox;

namespace orv::ui {

// The message box DialogPrompt::message() shows, built but not shown, and
// what the button it was closed with answers.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& text, const QString& title,
                                            Icon icon, Buttons buttons);
Answer answerOf(const QMessageBox& box, Buttons buttons);

// The prompt the programs run with: real Qt dialogs, Spanish button texts,
// CR LF line breaks shown as line breaks.
class DialogPrompt : public Prompt
{
public:
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
};

} // namespace orv::ui

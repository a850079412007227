#pragma once

#include "prompt.h"

namespace orv::ui {

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
};

} // namespace orv::ui

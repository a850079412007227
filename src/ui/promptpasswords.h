#pragma once

#include "codemodule.h"

class QWidget;

namespace orv::ui {

// Puts the archive questions (a member's password, whether to overwrite a
// file) in front of the person through the prompt seam.
class PromptPasswords : public PasswordProvider
{
public:
    PromptPasswords(QWidget* parent, QString title);

    std::optional<QString> password(const QString& prompt, const QString& member) override;
    int replace(const QString& name) override;

private:
    QWidget* m_parent;
    QString m_title;
};

} // namespace orv::ui

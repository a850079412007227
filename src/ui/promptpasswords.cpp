#include "promptpasswords.h"

#include "prompt.h"

namespace orv::ui {

PromptPasswords::PromptPasswords(QWidget* parent, QString title)
    : m_parent(parent), m_title(std::move(title))
{
}

std::optional<QString> PromptPasswords::password(const QString& prompt, const QString&)
{
    return ui::prompt().input(m_parent, prompt, m_title, QString());
}

int PromptPasswords::replace(const QString& name)
{
    switch (ui::prompt().message(m_parent, QLatin1String("Overwrite ") + name + QLatin1Char('?'),
                                 QStringLiteral("VBUnZip32 - File Already Exists!"),
                                 Icon::Exclamation, Buttons::YesNoCancel)) {
    case Answer::Yes:
        return CodeModule::ReplaceYes;
    case Answer::No:
        return CodeModule::ReplaceNo;
    default:
        return CodeModule::ReplaceCancel;
    }
}

} // namespace orv::ui

#include "promptpasswords.h"

#include "prompt.h"

namespace orv::ui {

PromptPasswords::PromptPasswords(QWidget* parent, QString titulo)
    : m_parent(parent), m_titulo(std::move(titulo))
{
}

std::optional<QString> PromptPasswords::password(const QString& prompt, const QString&)
{
    return ui::prompt().entrada(m_parent, prompt, m_titulo, QString());
}

int PromptPasswords::replace(const QString& name)
{
    switch (ui::prompt().mensaje(m_parent, QLatin1String("Overwrite ") + name + QLatin1Char('?'),
                                 QStringLiteral("VBUnZip32 - File Already Exists!"), Icono::Exclamacion,
                                 Botones::SiNoCancelar)) {
    case Respuesta::Si:
        return CodeModule::ReplaceYes;
    case Respuesta::No:
        return CodeModule::ReplaceNo;
    default:
        return CodeModule::ReplaceCancel;
    }
}

} // namespace orv::ui

#include "commandline.h"

#include "filename.h"
#include "prompt.h"
#include "promptpasswords.h"

namespace orv::compactor {

std::optional<QString> commandLinePath(const QStringList& arguments)
{
    const QString text = arguments.join(QLatin1Char(' '));
    if (text.size() <= 1)
        return std::nullopt;
    if (text.contains(QLatin1Char('"')) && exists(FileName::fromText(text)))
        return text;
    return text.section(QLatin1Char('"'), 0, 0);
}

void processCommandLine(const FileName& path, Compactor::StepFault fail)
{
    const QString title = QStringLiteral("Orvane ASCII Compactor");
    Compactor engine;
    engine.setStepFault(std::move(fail));
    ui::PromptPasswords passwords(nullptr, title);
    engine.setPasswords(&passwords);
    const FileResult r = engine.procesaArchivo(path);
    if (r.state == FileState::BuildError) {
        ui::prompt().message(nullptr, QStringLiteral("Error"), title, ui::Icon::None,
                             ui::Buttons::Ok);
        return;
    }
    // Never a failure reported as success: anything but a real change shows
    // what the history says.
    if (r.state == FileState::Compressed || r.state == FileState::Decompressed)
        ui::prompt().message(nullptr,
                             QStringLiteral("El archivo fué procesado satisfactoriamente."), title,
                             ui::Icon::Information, ui::Buttons::Ok);
    else
        ui::prompt().message(nullptr, r.lines.join(QLatin1String("\r\n")), title,
                             ui::Icon::Exclamation, ui::Buttons::Ok);
}

} // namespace orv::compactor

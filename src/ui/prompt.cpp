#include "prompt.h"

#include "dialogprompt.h"

#include <QRegularExpression>

namespace orv::ui {
namespace {

Prompt* g_prompt = nullptr;

// The patterns of one classic filter entry, as Qt separates them.
QStringList patternsOf(const QString& patron)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return patron.split(separators, Qt::SkipEmptyParts);
}

QString qtEntry(const QString& descripcion, const QString& patron)
{
    const QStringList patterns = patternsOf(patron);
    if (patterns.isEmpty())
        return descripcion;
    const QString group = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');

    // "Texto (*.a;*.b)" already names its patterns; only Qt's separator differs.
    static const QRegularExpression trailingGroup(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = trailingGroup.match(descripcion);
    if (m.hasMatch() && patternsOf(m.captured(1)) == patterns)
        return descripcion.left(m.capturedStart()) + group;

    const QString text = descripcion.trimmed();
    return text.isEmpty() ? group : text + QLatin1Char(' ') + group;
}

} // namespace

Prompt& prompt()
{
    static DialogPrompt real;
    return g_prompt ? *g_prompt : real;
}

void setPrompt(Prompt* p)
{
    g_prompt = p;
}

QString filtroQt(const QString& filtro)
{
    const QStringList parts = filtro.split(QLatin1Char('|'));
    QStringList entries;
    // A trailing description without its pattern has nothing to filter by; dropped.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append(qtEntry(parts[i], parts[i + 1]));
    return entries.join(QStringLiteral(";;"));
}

Respuesta respuestaAlCerrar(Botones botones)
{
    switch (botones) {
    case Botones::Aceptar:
        return Respuesta::Aceptar;
    case Botones::SiNo:
        return Respuesta::No;
    case Botones::SiNoCancelar:
        return Respuesta::Cancelar;
    }
    return Respuesta::Aceptar;
}

} // namespace orv::ui

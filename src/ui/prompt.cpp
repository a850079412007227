#include "prompt.h"

#include "dialogprompt.h"

#include <QRegularExpression>
#include <utility>

namespace orv::ui {
namespace {

Prompt* g_prompt = nullptr;

// The patterns of one classic filter entry, as Qt separates them.
QStringList patternsOf(const QString& patron)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return patron.split(separators, Qt::SkipEmptyParts);
}

// The patterns that filter as the classic pattern does on Windows.
QStringList realPatternsOf(const QString& patron)
{
    QStringList patterns = patternsOf(patron);
#ifndef Q_OS_WIN
    for (QString& p : patterns) {
        if (p == QLatin1String("*.*"))
            p = QStringLiteral("*");
    }
    patterns.removeDuplicates();
#endif
    return patterns;
}

QString groupOf(const QStringList& patterns)
{
    return QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The classic entries as (description, pattern) pairs. A trailing
// description without its pattern has nothing to filter by; dropped.
QList<std::pair<QString, QString>> entriesOf(const QString& filtro)
{
    const QStringList parts = filtro.split(QLatin1Char('|'));
    QList<std::pair<QString, QString>> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append({parts[i], parts[i + 1]});
    return entries;
}

QString qtEntry(const QString& descripcion, const QString& patron)
{
    const QStringList patterns = realPatternsOf(patron);
    if (patterns.isEmpty())
        return descripcion;
    const QString group = groupOf(patterns);

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
    QStringList entries;
    for (const auto& [descripcion, patron] : entriesOf(filtro))
        entries.append(qtEntry(descripcion, patron));
    return entries.join(QStringLiteral(";;"));
}

QStringList filtrosDialogo(const QString& filtro)
{
    QStringList filters;
    for (const auto& [descripcion, patron] : entriesOf(filtro)) {
        const QStringList patterns = realPatternsOf(patron);
        // The dialog hides a description's last parenthesised group; an
        // entry without patterns gets an empty one, so none of its text goes.
        filters.append(descripcion.trimmed() + QLatin1Char(' ') + groupOf(patterns));
    }
    return filters;
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

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
QList<std::pair<QString, QString>> entriesOf(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QList<std::pair<QString, QString>> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append({parts[i], parts[i + 1]});
    return entries;
}

QString qtEntry(const QString& description, const QString& patron)
{
    const QStringList patterns = realPatternsOf(patron);
    if (patterns.isEmpty())
        return description;
    const QString group = groupOf(patterns);

    // "Texto (*.a;*.b)" already names its patterns; only Qt's separator differs.
    static const QRegularExpression trailingGroup(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = trailingGroup.match(description);
    if (m.hasMatch() && patternsOf(m.captured(1)) == patterns)
        return description.left(m.capturedStart()) + group;

    const QString text = description.trimmed();
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

QString qtFilter(const QString& filter)
{
    QStringList entries;
    for (const auto& [description, patron] : entriesOf(filter))
        entries.append(qtEntry(description, patron));
    return entries.join(QStringLiteral(";;"));
}

QStringList dialogFilters(const QString& filter)
{
    QStringList filters;
    for (const auto& [description, patron] : entriesOf(filter)) {
        const QStringList patterns = realPatternsOf(patron);
        // The dialog hides a description's last parenthesised group; an
        // entry without patterns gets an empty one, so none of its text goes.
        filters.append(description.trimmed() + QLatin1Char(' ') + groupOf(patterns));
    }
    return filters;
}

Answer closeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Ok;
}

} // namespace orv::ui

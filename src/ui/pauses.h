#pragma once

#include <QStringList>

namespace orv::ui {

// The pauses, in milliseconds, that every program's pause box lists, in
// this order.
inline QStringList usualPauses()
{
    return {QStringLiteral("50"),   QStringLiteral("100"),  QStringLiteral("200"),
            QStringLiteral("250"),  QStringLiteral("300"),  QStringLiteral("400"),
            QStringLiteral("500"),  QStringLiteral("1000"), QStringLiteral("2000"),
            QStringLiteral("5000"), QStringLiteral("10000")};
}

} // namespace orv::ui

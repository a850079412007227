#include "streamout.h"

#include "cp1252.h"
#include "exporting.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace orv::cli {
namespace {

constexpr qsizetype kSlice = 1024 * 1024;

// A JSON value as Qt writes it, without the array brackets around it.
QByteArray jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

} // namespace

void writeCp1252(QTextStream& out, QByteArrayView bytes)
{
    for (qsizetype at = 0; at < bytes.size(); at += kSlice)
        out << fromCp1252(bytes.sliced(at, std::min(kSlice, bytes.size() - at)));
}

void writeVisibleCp1252(QTextStream& out, QByteArrayView bytes)
{
    for (qsizetype at = 0; at < bytes.size(); at += kSlice)
        out << fromCp1252(withoutControls(bytes.sliced(at, std::min(kSlice, bytes.size() - at))));
}

void writeJsonCp1252(QTextStream& out, QByteArrayView bytes)
{
    // Every Windows-1252 byte is one character of its own, so slices escape
    // independently; each slice's quotes are dropped and one pair written.
    out << '"';
    for (qsizetype at = 0; at < bytes.size(); at += kSlice) {
        const QByteArray quoted =
            jsonText(fromCp1252(bytes.sliced(at, std::min(kSlice, bytes.size() - at))));
        out << QString::fromUtf8(quoted.sliced(1, quoted.size() - 2));
    }
    out << '"';
}

void writeJson(QTextStream& out, const QJsonValue& value) { out << QString::fromUtf8(jsonText(value)); }

void writeFrameRows(QTextStream& out, QByteArrayView frame)
{
    qsizetype at = 0;
    for (;;) {
        const qsizetype end = frame.indexOf('\n', at);
        writeVisibleCp1252(out, frame.sliced(at, (end < 0 ? frame.size() : end) - at));
        out << '\n';
        if (end < 0)
            return;
        at = end + 1;
    }
}

} // namespace orv::cli

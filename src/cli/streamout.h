#pragma once

#include <QByteArrayView>
#include <QJsonValue>
#include <QTextStream>

namespace orv::cli {

// Output of fields that may be huge (an author text of a hundred megabytes
// is a valid movie): each is converted and written a slice at a time, so
// the tool never holds more than one copy of it.

// Windows-1252 bytes as text.
void writeCp1252(QTextStream& out, QByteArrayView bytes);
// The same for a terminal: control bytes as spaces, as `orv play` shows
// them, so that no text of a movie can steer the terminal.
void writeVisibleCp1252(QTextStream& out, QByteArrayView bytes);

// Windows-1252 bytes as a JSON string, quotes included.
void writeJsonCp1252(QTextStream& out, QByteArrayView bytes);

// Any small value as JSON.
void writeJson(QTextStream& out, const QJsonValue& value);

// A frame as the exports show it (rows joined by LF), one row a line.
void writeFrameRows(QTextStream& out, QByteArrayView frame);

} // namespace orv::cli

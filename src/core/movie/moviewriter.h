#pragma once

#include "safefile.h"
#include <QByteArray>
#include <QByteArrayView>

#include <QFileDevice>
#include <QString>

#include <optional>

namespace orv {

// The header line as the writers build it: width, height, frame count and
// pause as given, four reserved "0" fields, author and further information,
// separated by single commas, in Windows-1252, without the line end.
QByteArray headerLine(QByteArrayView ancho, QByteArrayView alto, int numCuadros,
                      QByteArrayView pausa, QByteArrayView creador, QByteArrayView masInfo);

// The rules the writers share, so that what they write reads back as typed.
// A pause the reader takes back as written: a plain positive decimal number.
bool readablePause(const QString& text);
// Why an author would not come back from a movie's header exactly as typed
// ("una coma", "un salto de línea", ...): the header has no quoting, and one
// byte is one Windows-1252 character. Nothing when the movie reader gives it
// back identical, which is checked by reading it back.
std::optional<QString> authorProblem(const QString& text);
inline bool readableAuthor(const QString& text)
{
    return !authorProblem(text);
}
// Why a movie of `bytes` is not made: it would be larger than the suite
// opens.
QString tooLargeMessage(qint64 bytes);

// A movie made from a clip keeps, in its information, where in the clip it
// starts, so that the clip's sound can be laid under it later: the note
// added (" (desde el segundo 590.5 del video)"), and the moment read back
// from a movie's information (nothing when it has none).
QString clipStartNote(double seconds);
std::optional<double> clipStart(QByteArrayView masInfo);

// The name a movie is written under: the one chosen, with ".ovt" added unless
// it already ends so (in lower case, as the dialogs' filter writes it).
FileName movieName(const FileName& chosen);

// Writes a plain movie: the header line, then one line per frame, each
// followed by CR LF, through a SafeFile: a writer dropped without a
// successful commit leaves no file behind and an existing movie of that name
// untouched.
class MovieWriter
{
public:
    explicit MovieWriter(const FileName& target);
    // Writes the same bytes into `memory` (emptied first) instead: nothing
    // touches the disk, and commit() keeps what was written.
    explicit MovieWriter(QByteArray* memory);

    bool begin(QByteArrayView headerLine);
    // Starts with a header exactly as given, its line end included.
    bool beginRaw(QByteArrayView header);
    bool writeFrame(QByteArrayView frame);
    // Writes frame lines that already end in CR LF, any number in one go.
    bool writeLines(QByteArrayView lines);
    bool commit();

    QString errorString() const { return m_file.error(); }
    QFileDevice::FileError error() const { return m_file.codeError(); }

private:
    bool writeLine(QByteArrayView line);

    SafeFile m_file;
    QByteArray* m_memory = nullptr;
};

} // namespace orv

#pragma once

#include <QDateTime>
#include "filename.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace orv {

class PasswordProvider;

// The four modes of the Compactor, and none when the stored settings select
// no mode (every file is then only reported).
enum class CompactionMode { Automatic, CompressOnly, DecompressOnly, Analyse, None };

// The steps of a compression or decompression that can fail; the fault seam
// names them.
enum class CompactionStep { Build, Check, Flush, Renaming, Extraction };

// What became of one file.
enum class FileState {
    Compressed,
    Decompressed,
    Reported,     // only reported: "No es OVT", "Está comprimido", ...
    NotProcessed, // read-only or hidden, brute force off
    Error,        // an error line was written; the movie is as it was
    BuildError,   // the archive build answered non-zero: the run must end
};

struct FileResult
{
    FileState state = FileState::Reported;
    QStringList lines; // this file's history lines, without time lines
};

// The compaction engine: handles one path at a time according to the mode
// and brute force, writing every outcome as a history line. A movie is only
// ever replaced by a complete, checked file renamed over it from a scratch
// file in its own folder; on any failure the movie is byte-identical to
// before and no scratch file is left. Nothing is written anywhere else.
class Compactor
{
public:
    using History = std::function<void(const QString& line)>;
    using StepFault = std::function<bool(CompactionStep)>; // false: the step fails
    using Clock = std::function<QDateTime()>;

    explicit Compactor(History history = {});

    CompactionMode mode() const { return m_mode; }
    void setMode(CompactionMode mode) { m_mode = mode; }
    bool bruteForce() const { return m_bruteForce; }
    void setBruteForce(bool yes) { m_bruteForce = yes; }

    // The largest movie handled (1 GiB by default); larger ones get an error line.
    void setMaxSize(qint64 bytes) { m_maxSize = bytes; }
    // Runs between steps, so that a window keeps painting.
    void setProgress(std::function<void(const FileName& name)> progress)
    {
        m_progress = std::move(progress);
    }
    void setStepFault(StepFault fail) { m_fault = std::move(fail); }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Asked for the password of an encrypted archive; without one, such an
    // archive is left as it is with an error line.
    void setPasswords(PasswordProvider* passwords) { m_passwords = passwords; }

    FileResult procesaArchivo(const FileName& path);

    // Appends a history line, preceded by its time line outside "Analizar
    // archivos".
    void agregaHistorial(const QString& line);

    // The summary line after a batch of `count` dropped items.
    static QString summaryLine(int count);
    // " [" + date and time in the locale's short format + "]".
    static QString timeLine(const QDateTime& moment);
    static bool isTimeLine(const QString& line);

private:
    void report(const QString& prefix, const FileName& name);
    bool fail(CompactionStep step) const;
    void stepForward(const FileName& name) const;
    void compress(const FileName& path);
    void descomprime(const FileName& path);
    FileName scratchFor(const FileName& movie);

    History m_history;
    CompactionMode m_mode = CompactionMode::Automatic;
    bool m_bruteForce = true;
    qint64 m_maxSize = qint64(1) << 30;
    std::function<void(const FileName&)> m_progress;
    StepFault m_fault;
    Clock m_clock;
    PasswordProvider* m_passwords = nullptr;
    QSet<QByteArray> m_cleanFolders; // folders whose stray scratch files are gone
    FileResult* m_current = nullptr;
};

// Compresses one plain movie in place, as the Compactor's "Sólo comprimir"
// with brute force: for the programs that write movies. True when the movie
// was compressed; `lines` receives the file's history lines (without time
// lines), the error line included when it was not.
bool compressMovieInPlace(const FileName& path, QStringList* lines = nullptr);

} // namespace orv

#pragma once

#include "movie.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace orv {

struct LoadOptions;

// Where a picture keeps its place when its size changes: the nine points of
// the compass, and the centre.
enum class Anchor { NorthWest, North, NorthEast, West, Center, East, SouthWest, South, SouthEast };

// "nw", "n", "ne", "w", "c", "e", "sw", "s", "se".
std::optional<Anchor> anchorFromText(const QString& text);

// Where a block of `from` cells starts inside `to` cells (negative: it is
// cropped on that side), along one axis: `lead` keeps the start, `trail`
// the end, neither the centre.
int anchoredOffset(int from, int to, bool lead, bool trail);
QPoint anchoredOffset(QSize from, QSize to, Anchor anchor);

// One undoable change, as the undo entries name it.
enum class EditAction : std::uint8_t {
    Text, Fill, Line, Outline, FloodFill, Clear, MoveArea, CopyArea,
    InsertFrames, DuplicateFrames, DeleteFrames, MoveFrames, ReverseFrames, PasteFrames, PickFrames,
    Resize, Pause, Author, Info, Pencil,
};
QString actionName(EditAction action);

// The form a movie is saved in.
enum class SavedForm { AsOpened, Plain, Compressed };

// A movie being edited: its header and its frames, each `alto` rows of
// `ancho` Windows-1252 bytes. A frame nobody touched stays the very line it
// was read as (whatever its length and line end) and refers to the bytes
// read, which are not copied; a frame is copied, and made whole (short rows
// padded with spaces, what lies past the last row dropped), when it is
// first changed. Every change is a step of the undo history, which keeps
// only what the change replaced: typing a character keeps that character.
class EditedMovie
{
public:
    EditedMovie();
    ~EditedMovie();
    EditedMovie(EditedMovie&&) noexcept;
    EditedMovie& operator=(EditedMovie&&) noexcept;

    // Reads a movie with the suite's reader (plain or compressed). False
    // when it does not read; the movie being edited is then unchanged.
    bool open(const FileName& name, const LoadOptions& options);
    // The byte a character is saved as, or nothing with the reason in `why`
    // when Windows-1252 cannot hold it.
    static std::optional<char> characterByte(QChar c, QString& why);
    // Why a new movie of this header cannot be made (the Converter's and the
    // Creator's checks and messages), or nothing when it can.
    static std::optional<QString> headerProblem(int ancho, int alto, const QString& pausa,
                                                const QString& creador, const QString& masInfo);
    // A movie of `frames` blank frames (spaces).
    static EditedMovie blank(int ancho, int alto, int frames, const QString& pausa,
                             const QString& creador, const QString& masInfo);

    int width() const { return m_ancho; }
    int height() const { return m_alto; }
    int frameCount() const;
    double pause() const { return m_pausa; }
    QByteArray pauseText() const { return m_pausaText; }
    QByteArray author() const { return m_creador; }
    QByteArray info() const { return m_masInfo; }
    bool openedCompressed() const { return m_compressed; }
    const FileName& file() const { return m_file; }

    // A frame whole: `alto` rows of `ancho` bytes, one after the other.
    QByteArray frame(int index) const;
    // The same for reading at once: the frame's own bytes, not copied, where
    // they hold a whole frame (valid until the next edit), else frame().
    // Holding frame() across an edit would make the edit copy the frame.
    QByteArray frameForReading(int index) const;
    char cell(int frame, QPoint at) const;
    // A rectangle of a frame as text: its rows, each followed by LF or CR LF.
    QString text(int frame, QRect area, bool crLf = false) const;

    // Edits. Each is one step of the history and answers why it was refused
    // (nothing changed then), or nothing when it was done. An edit outside
    // the frame changes nothing and is no step.
    std::optional<QString> putText(int frame, QPoint at, const QString& text,
                                   bool transparentSpaces = false);
    std::optional<QString> fill(int frame, QRect area, QChar c);
    std::optional<QString> clear(int frame, QRect area);
    std::optional<QString> line(int frame, QPoint from, QPoint to, QChar c);
    // The cells line() draws from one cell to another (Bresenham).
    static std::vector<QPoint> lineCells(QPoint from, QPoint to);
    // A pencil's stroke: lines through every point in turn, one step.
    std::optional<QString> stroke(int frame, const std::vector<QPoint>& points, QChar c);
    std::optional<QString> outline(int frame, QRect area, QChar c);
    std::optional<QString> floodFill(int frame, QPoint at, QChar c);
    // Copies (or moves: the cells left behind become spaces) a rectangle of
    // one frame to a cell of the same or another frame, cut at the edge.
    std::optional<QString> copyArea(int fromFrame, QRect area, int toFrame, QPoint to, bool move);

    std::optional<QString> insertBlank(int at, int count);
    std::optional<QString> duplicate(int first, int count);
    std::optional<QString> remove(int first, int count);
    // Moves frames [first, first + count) so that they start at `to` in the
    // movie that results.
    std::optional<QString> moveFrames(int first, int count, int to);
    std::optional<QString> reverse(int first, int count);
    // Frames of this or another movie (whole, `size` cells) inserted at
    // `at`, another size fitted by cropping or padding at `anchor`.
    std::optional<QString> pasteFrames(int at, const std::vector<QByteArray>& frames, QSize size,
                                       Anchor anchor);
    // Frames of another movie appended with their own bytes where the size is
    // the same (they are not copied).
    std::optional<QString> append(const EditedMovie& other, Anchor anchor);
    // The movie becomes these frames, in this order (a frame may repeat).
    std::optional<QString> pick(const std::vector<int>& order);
    std::vector<QByteArray> frames(int first, int count) const;

    std::optional<QString> resize(QSize size, Anchor anchor);
    std::optional<QString> setPause(const QString& pausa);
    std::optional<QString> setAuthor(const QString& creador);
    std::optional<QString> setInfo(const QString& masInfo);

    bool canUndo() const;
    bool canRedo() const;
    EditAction undoAction() const;
    EditAction redoAction() const;
    bool undo();
    bool redo();
    // Changed since it was opened or last saved (undoing back to there
    // counts as unchanged).
    bool modified() const;
    // Bytes the history holds; beyond the limit its oldest steps go.
    qint64 historyBytes() const { return m_historyBytes; }
    void setHistoryLimit(qint64 bytes);
    static constexpr qint64 kDefaultHistoryLimit = qint64(256) << 20;

    // The plain movie's bytes as they would be saved.
    QByteArray bytes() const;
    // Saves through the safe writer; a movie to be compressed is compressed
    // by the Compactor's engine once written. Answers why not (nothing
    // written then, or, for a compression that failed, the movie left
    // plain), or nothing when saved.
    std::optional<QString> save(const FileName& target, SavedForm form = SavedForm::AsOpened);

private:
    struct Frame;
    struct Step;
    struct Extra;
    struct CellChange;
    struct Header;
    class CellEdit;

    bool writeTo(class MovieWriter& writer) const;
    QByteArray headerBytes() const;
    qint64 savedSize() const;
    bool headerAsRead() const;
    Header header() const;
    void setHeader(const Header& h);
    bool makeWhole(int frame, Extra* record);
    void record(EditAction action, std::unique_ptr<Extra> extra);
    void splice(EditAction action, int at, int removing, std::vector<Frame> inserted);
    static std::vector<Frame> fit(const std::vector<QByteArray>& frames, QSize from, QSize to, Anchor anchor);
    void discardRedo();
    void push(Step step, std::unique_ptr<Extra> extra);
    void apply(const Step& step, bool forward);
    void dropOldest();
    std::optional<QString> checkFrames(qint64 more) const;
    // Why `c` cannot be drawn on `frame`, or nothing with its byte set.
    std::optional<QString> drawable(int frame, QChar c, char& byte) const;
    std::optional<QString> setHeaderText(EditAction action, const QString& value);

    std::int16_t m_ancho = 0;
    std::int16_t m_alto = 0;
    double m_pausa = 0;
    QByteArray m_pausaText;
    QByteArray m_creador;
    QByteArray m_masInfo;
    QByteArray m_rawHeader; // the header line as read, with its line end
    std::unique_ptr<Header> m_asRead; // the header's fields as read
    int m_framesAsRead = 0;
    bool m_compressed = false;
    FileName m_file;
    std::vector<Frame> m_frames;
    std::vector<std::shared_ptr<const Movie>> m_sources; // what untouched frames refer to

    std::vector<Step> m_steps;
    std::vector<CellChange> m_changes;
    std::vector<std::unique_ptr<Extra>> m_extras;
    std::size_t m_done = 0;      // steps applied; the rest can be redone
    std::int64_t m_dropped = 0;  // steps the limit took from the history's start
    std::int64_t m_saved = 0;    // where the history was when last saved or opened
    qint64 m_historyBytes = 0;
    qint64 m_historyLimit = kDefaultHistoryLimit;
};

} // namespace orv

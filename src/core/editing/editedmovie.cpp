#include "editedmovie.h"

#include "hugepages.h"

#include "compactor.h"
#include "conversion.h"
#include "cp1252.h"
#include "moviereader.h"
#include "moviewriter.h"
#include "numeric.h"
#include "safefile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace orv {

// A frame's line end as read: what is written after it while untouched.
enum LineEnd : std::uint8_t { kCrLf, kLf, kCr };

struct EditedMovie::Frame
{
    QByteArray bytes;          // the line as read (not copied), or the whole frame
    std::uint8_t end = kCrLf;  // the line end read after it
    bool whole = false;        // made whole: `alto` rows of `ancho`, its own bytes
    bool endRead = true;       // its line end follows it in what was read
};

struct EditedMovie::Header
{
    std::int16_t ancho = 0;
    std::int16_t alto = 0;
    double pausa = 0;
    QByteArray pausaText;
    QByteArray creador;
    QByteArray masInfo;
    bool operator==(const Header&) const = default;
};

// One cell's change: 8 bytes, so that typing costs little history.
struct EditedMovie::CellChange
{
    std::int32_t offset;
    std::int16_t frame;
    char before;
    char after;
};

// What a step changed besides cells: the frames it made whole (as they were
// before), the frames it replaced, the size and the header.
struct EditedMovie::Extra
{
    std::vector<std::pair<int, Frame>> madeWhole;
    bool spliced = false;
    int at = 0;
    std::vector<Frame> removed, inserted;
    bool resized = false;
    QSize sizeBefore, sizeAfter;
    bool headed = false;
    Header before, after;

    qint64 bytes() const
    {
        qint64 n = sizeof(Extra) + qint64(madeWhole.size()) * qint64(sizeof(std::pair<int, Frame>));
        for (const auto* list : {&removed, &inserted})
            for (const Frame& f : *list)
                n += qint64(sizeof(Frame)) + (f.whole ? f.bytes.size() : 0);
        return n;
    }
};

struct EditedMovie::Step
{
    std::size_t first = 0;  // its cell changes in m_changes
    std::size_t count = 0;
    std::unique_ptr<Extra> extra;
    qint64 cost = 0;
    EditAction action = EditAction::Text;
};

namespace {

const QString kOneFrameAtLeast = QStringLiteral("una película tiene al menos un cuadro");

QString noSuchFrame(int count)
{
    return QStringLiteral("la película tiene %1 cuadros (0 a %2)").arg(count).arg(count - 1);
}

QString tooManyFrames()
{
    return QStringLiteral("una película tiene como máximo %1 cuadros").arg(kMaxFrames);
}

// The byte a character is kept as in a cell, or why it cannot be.
std::optional<char> cellByte(QChar c, QString& why)
{
    const QByteArray b = toCp1252(QString(c));
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isSurrogate() || b.size() != 1
        || fromCp1252(b) != QString(c)) {
        why = QStringLiteral("el carácter «%1» (U+%2) no existe en Windows-1252: una película no lo puede guardar")
                  .arg(c.isSurrogate() || c.unicode() < 0x20 ? QString() : QString(c))
                  .arg(c.unicode(), 4, 16, QLatin1Char('0'));
        return std::nullopt;
    }
    return b.at(0);
}

// A header value as written: bare when it reads back as itself, quoted
// otherwise (the reader takes a quoted value whole, commas included).
QByteArray headerField(const QByteArray& value)
{
    if (!authorProblem(fromCp1252(value)) || value.contains('"'))
        return value;
    return '"' + value + '"';
}

QString infoMessage(const QString& problem)
{
    return QStringLiteral("La información adicional no puede contener %1, procure cambiarla.").arg(problem);
}

// The pause as the header gave it, when it reads back as written.
QByteArray pauseField(const QByteArray& headerLine, double pausa)
{
    const QList<QByteArray> fields = headerLine.split(',');
    if (fields.size() > 3) {
        QByteArray text = fields.at(3);
        while (text.startsWith(' '))
            text.remove(0, 1);
        if (readablePause(QString::fromLatin1(text)))
            return text;
    }
    return QString::number(pausa, 'g', QLocale::FloatingPointShortest).toLatin1();
}

QByteArray lineEnd(std::uint8_t end)
{
    switch (end) {
    case kLf:
        return QByteArrayLiteral("\n");
    case kCr:
        return QByteArrayLiteral("\r");
    default:
        return QByteArrayLiteral("\r\n");
    }
}

} // namespace

std::optional<Anchor> anchorFromText(const QString& text)
{
    static const char* const names[] = {"nw", "n", "ne", "w", "c", "e", "sw", "s", "se"};
    for (int i = 0; i < 9; ++i)
        if (text == QLatin1String(names[i]))
            return Anchor(i);
    return std::nullopt;
}

int anchoredOffset(int from, int to, bool lead, bool trail)
{
    if (lead)
        return 0;
    if (trail)
        return to - from;
    return (to - from) / 2;
}

QPoint anchoredOffset(QSize from, QSize to, Anchor anchor)
{
    const int i = int(anchor);
    return {anchoredOffset(from.width(), to.width(), i % 3 == 0, i % 3 == 2),
            anchoredOffset(from.height(), to.height(), i / 3 == 0, i / 3 == 2)};
}

QString actionName(EditAction action)
{
    switch (action) {
    case EditAction::Text: return QStringLiteral("texto");
    case EditAction::Fill: return QStringLiteral("relleno de área");
    case EditAction::Line: return QStringLiteral("línea");
    case EditAction::Outline: return QStringLiteral("rectángulo");
    case EditAction::FloodFill: return QStringLiteral("relleno");
    case EditAction::Clear: return QStringLiteral("borrado");
    case EditAction::MoveArea: return QStringLiteral("mover selección");
    case EditAction::CopyArea: return QStringLiteral("copiar selección");
    case EditAction::InsertFrames: return QStringLiteral("insertar cuadro");
    case EditAction::DuplicateFrames: return QStringLiteral("duplicar cuadro");
    case EditAction::DeleteFrames: return QStringLiteral("eliminar cuadro");
    case EditAction::MoveFrames: return QStringLiteral("mover cuadros");
    case EditAction::ReverseFrames: return QStringLiteral("invertir orden");
    case EditAction::PasteFrames: return QStringLiteral("pegar cuadros");
    case EditAction::PickFrames: return QStringLiteral("elegir cuadros");
    case EditAction::Resize: return QStringLiteral("tamaño");
    case EditAction::Pause: return QStringLiteral("pausa");
    case EditAction::Author: return QStringLiteral("creador");
    case EditAction::Info: return QStringLiteral("información");
    case EditAction::Pencil: return QStringLiteral("lápiz");
    }
    return {};
}

// The cells one edit changes, each recorded with what it replaced; the
// frames it touches are made whole first.
class EditedMovie::CellEdit
{
public:
    CellEdit(EditedMovie& movie, EditAction action) : m_movie(movie), m_action(action)
    {
        m_movie.discardRedo();
        m_first = m_movie.m_changes.size();
    }

    bool inside(int frame, int column, int row) const
    {
        return frame >= 0 && frame < m_movie.frameCount() && column >= 0 && row >= 0 && column < m_movie.m_ancho
               && row < m_movie.m_alto;
    }

    void set(int frame, int column, int row, char c)
    {
        if (!inside(frame, column, row))
            return;
        if (!m_movie.m_frames[size_t(frame)].whole) {
            if (!m_extra)
                m_extra = std::make_unique<Extra>();
            m_movie.makeWhole(frame, m_extra.get());
        }
        const std::int32_t offset = row * m_movie.m_ancho + column;
        char* cell = m_movie.m_frames[size_t(frame)].bytes.data() + offset;
        if (*cell == c)
            return;
        m_movie.m_changes.push_back({offset, std::int16_t(frame), *cell, c});
        *cell = c;
    }

    std::optional<QString> finish()
    {
        const std::size_t count = m_movie.m_changes.size() - m_first;
        if (count == 0 && !m_extra)
            return std::nullopt;
        Step step;
        step.first = m_first;
        step.count = count;
        step.action = m_action;
        m_movie.push(std::move(step), std::move(m_extra));
        return std::nullopt;
    }

private:
    EditedMovie& m_movie;
    EditAction m_action;
    std::size_t m_first = 0;
    std::unique_ptr<Extra> m_extra;
};

EditedMovie::EditedMovie() : m_asRead(std::make_unique<Header>()) {}
EditedMovie::~EditedMovie() = default;
EditedMovie::EditedMovie(EditedMovie&&) noexcept = default;
EditedMovie& EditedMovie::operator=(EditedMovie&&) noexcept = default;

bool EditedMovie::open(const FileName& name, const LoadOptions& options)
{
    auto movie = std::make_shared<Movie>();
    if (!cargaPelicula(name, *movie, options))
        return false;
    EditedMovie e;
    const QByteArray& data = movie->data();
    const char* const start = data.constData();
    const char* const stop = start + data.size();
    e.m_frames.reserve(size_t(movie->numCuadros));
    for (int i = 0; i < movie->numCuadros; ++i) {
        const QByteArrayView line = movie->frame(i);
        const char* after = line.data() + line.size();
        const char* next = i + 1 < movie->numCuadros ? movie->frame(i + 1).data() : stop;
        // The last line's end lies past what the reader kept: CR LF.
        std::uint8_t end = kCrLf;
        if (next - after == 1 || (next - after >= 2 && after[1] != '\n'))
            end = after[0] == '\n' ? kLf : after[0] == '\r' ? kCr : kCrLf;
        const bool endRead = next - after >= lineEnd(end).size();
        e.m_frames.push_back({QByteArray::fromRawData(line.data(), line.size()), end, false, endRead});
    }
    e.m_rawHeader = QByteArray(start, movie->frame(0).data() - start);
    e.m_ancho = movie->ancho;
    e.m_alto = movie->alto;
    e.m_pausa = movie->pausa;
    e.m_pausaText = pauseField(e.m_rawHeader.trimmed(), movie->pausa);
    e.m_creador = movie->creador;
    e.m_masInfo = movie->masInfo;
    e.m_compressed = movie->compressed;
    e.m_file = name;
    *e.m_asRead = e.header();
    e.m_framesAsRead = e.frameCount();
    e.m_sources.push_back(std::move(movie));
    *this = std::move(e);
    return true;
}

std::optional<char> EditedMovie::characterByte(QChar c, QString& why)
{
    return cellByte(c, why);
}

std::optional<QString> EditedMovie::headerProblem(int ancho, int alto, const QString& pausa,
                                                  const QString& creador, const QString& masInfo)
{
    ConversionParameters p;
    p.ancho = QString::number(ancho);
    p.alto = QString::number(alto);
    p.velocidad = pausa;
    p.creador = creador;
    if (const ParameterFault fault = checkParameters(p); fault != ParameterFault::None)
        return parameterFaultMessage(fault, creador);
    if (const std::optional<QString> problem = authorProblem(masInfo))
        return infoMessage(*problem);
    return std::nullopt;
}

EditedMovie EditedMovie::blank(int ancho, int alto, int frames, const QString& pausa,
                               const QString& creador, const QString& masInfo)
{
    EditedMovie e;
    e.m_ancho = std::int16_t(ancho);
    e.m_alto = std::int16_t(alto);
    e.m_pausaText = pausa.toLatin1();
    e.m_pausa = numericValue(pausa);
    e.m_creador = toCp1252(creador);
    e.m_masInfo = toCp1252(masInfo);
    const QByteArray spaces(qsizetype(ancho) * alto, ' ');
    e.m_frames.assign(size_t(std::max(frames, 1)), Frame{spaces, kCrLf, true});
    *e.m_asRead = e.header();
    e.m_framesAsRead = e.frameCount();
    return e;
}

int EditedMovie::frameCount() const
{
    return int(m_frames.size());
}

EditedMovie::Header EditedMovie::header() const
{
    return {m_ancho, m_alto, m_pausa, m_pausaText, m_creador, m_masInfo};
}

void EditedMovie::setHeader(const Header& h)
{
    m_ancho = h.ancho;
    m_alto = h.alto;
    m_pausa = h.pausa;
    m_pausaText = h.pausaText;
    m_creador = h.creador;
    m_masInfo = h.masInfo;
}

QByteArray EditedMovie::frame(int index) const
{
    if (index < 0 || index >= frameCount())
        return {};
    const Frame& f = m_frames[size_t(index)];
    if (f.whole)
        return f.bytes;
    const qsizetype size = qsizetype(m_ancho) * m_alto;
    // A frame is copied when it is first edited: with its pages made present
    // at once, typing across a big movie costs about half as much.
    QByteArray out(size, Qt::Uninitialized);
    populatePages(out.data(), size);
    const qsizetype kept = std::min(size, f.bytes.size());
    std::memcpy(out.data(), f.bytes.constData(), size_t(kept));
    std::memset(out.data() + kept, ' ', size_t(size - kept));
    return out;
}

QByteArray EditedMovie::frameForReading(int index) const
{
    if (index < 0 || index >= frameCount())
        return {};
    const QByteArray& bytes = m_frames[size_t(index)].bytes;
    const qsizetype size = qsizetype(m_ancho) * m_alto;
    if (bytes.size() >= size)
        return QByteArray::fromRawData(bytes.constData(), size);
    return frame(index);
}

char EditedMovie::cell(int frame, QPoint at) const
{
    if (frame < 0 || frame >= frameCount() || at.x() < 0 || at.y() < 0 || at.x() >= m_ancho
        || at.y() >= m_alto)
        return ' ';
    const QByteArray& b = m_frames[size_t(frame)].bytes;
    const qsizetype offset = qsizetype(at.y()) * m_ancho + at.x();
    return offset < b.size() ? b.at(offset) : ' ';
}

QString EditedMovie::text(int frame, QRect area, bool crLf) const
{
    area = area.normalized() & QRect(0, 0, m_ancho, m_alto);
    QString out;
    if (frame < 0 || frame >= frameCount() || area.isEmpty())
        return out;
    QByteArray row;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        row.clear();
        for (int x = area.left(); x <= area.right(); ++x)
            row.append(cell(frame, {x, y}));
        out += fromCp1252(row);
        out += crLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }
    return out;
}

bool EditedMovie::makeWhole(int frame, Extra* record)
{
    Frame& f = m_frames[size_t(frame)];
    if (f.whole)
        return false;
    if (record)
        record->madeWhole.emplace_back(frame, f);
    f = Frame{this->frame(frame), kCrLf, true};
    f.bytes.detach();
    return true;
}

std::optional<QString> EditedMovie::putText(int frame, QPoint at, const QString& text,
                                            bool transparentSpaces)
{
    if (frame < 0 || frame >= frameCount())
        return noSuchFrame(frameCount());
    QByteArray bytes;
    bytes.reserve(text.size());
    QString why;
    for (QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            bytes.append(c.toLatin1());
            continue;
        }
        const std::optional<char> b = cellByte(c, why);
        if (!b)
            return why;
        bytes.append(*b);
    }
    CellEdit edit(*this, EditAction::Text);
    int x = at.x(), y = at.y();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char b = bytes.at(i);
        if (b == '\r' || b == '\n') {
            if (b == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            x = at.x();
            ++y;
            continue;
        }
        if (!(transparentSpaces && b == ' '))
            edit.set(frame, x, y, b);
        ++x;
    }
    return edit.finish();
}

std::optional<QString> EditedMovie::drawable(int frame, QChar c, char& byte) const
{
    if (frame < 0 || frame >= frameCount())
        return noSuchFrame(frameCount());
    QString why;
    const std::optional<char> b = cellByte(c, why);
    if (!b)
        return why;
    byte = *b;
    return std::nullopt;
}

std::optional<QString> EditedMovie::fill(int frame, QRect area, QChar c)
{
    char b = 0;
    if (std::optional<QString> why = drawable(frame, c, b))
        return why;
    area = area.normalized() & QRect(0, 0, m_ancho, m_alto);
    CellEdit edit(*this, c == QLatin1Char(' ') ? EditAction::Clear : EditAction::Fill);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            edit.set(frame, x, y, b);
    return edit.finish();
}

std::optional<QString> EditedMovie::clear(int frame, QRect area)
{
    return fill(frame, area, QLatin1Char(' '));
}

namespace {

// Bresenham: every cell a line passes, one per step along its longer axis.
template<typename Cell>
void alongLine(QPoint from, QPoint to, Cell&& cell)
{
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1, sy = y < to.y() ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        cell(x, y);
        if (x == to.x() && y == to.y())
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

} // namespace

std::optional<QString> EditedMovie::line(int frame, QPoint from, QPoint to, QChar c)
{
    char b = 0;
    if (std::optional<QString> why = drawable(frame, c, b))
        return why;
    CellEdit edit(*this, EditAction::Line);
    alongLine(from, to, [&](int x, int y) { edit.set(frame, x, y, b); });
    return edit.finish();
}

std::vector<QPoint> EditedMovie::lineCells(QPoint from, QPoint to)
{
    std::vector<QPoint> cells;
    alongLine(from, to, [&](int x, int y) { cells.emplace_back(x, y); });
    return cells;
}

std::optional<QString> EditedMovie::stroke(int frame, const std::vector<QPoint>& points, QChar c)
{
    char b = 0;
    if (std::optional<QString> why = drawable(frame, c, b))
        return why;
    CellEdit edit(*this, EditAction::Pencil);
    for (std::size_t i = 0; i < points.size(); ++i)
        alongLine(points[i > 0 ? i - 1 : 0], points[i], [&](int x, int y) { edit.set(frame, x, y, b); });
    return edit.finish();
}

std::optional<QString> EditedMovie::outline(int frame, QRect area, QChar c)
{
    char b = 0;
    if (std::optional<QString> why = drawable(frame, c, b))
        return why;
    area = area.normalized();
    CellEdit edit(*this, EditAction::Outline);
    for (int x = area.left(); x <= area.right(); ++x) {
        edit.set(frame, x, area.top(), b);
        edit.set(frame, x, area.bottom(), b);
    }
    for (int y = area.top(); y <= area.bottom(); ++y) {
        edit.set(frame, area.left(), y, b);
        edit.set(frame, area.right(), y, b);
    }
    return edit.finish();
}

std::optional<QString> EditedMovie::floodFill(int frame, QPoint at, QChar c)
{
    char b = 0;
    if (std::optional<QString> why = drawable(frame, c, b))
        return why;
    CellEdit edit(*this, EditAction::FloodFill);
    if (!edit.inside(frame, at.x(), at.y()))
        return std::nullopt;
    const char target = cell(frame, at);
    if (target == b)
        return std::nullopt;
    // Cells of the target character joined by their sides; each is
    // repainted as it is taken, so none is taken twice.
    std::vector<QPoint> pending{at};
    edit.set(frame, at.x(), at.y(), b);
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint n = p + d;
            if (edit.inside(frame, n.x(), n.y()) && cell(frame, n) == target) {
                edit.set(frame, n.x(), n.y(), b);
                pending.push_back(n);
            }
        }
    }
    return edit.finish();
}

std::optional<QString> EditedMovie::copyArea(int fromFrame, QRect area, int toFrame, QPoint to,
                                             bool move)
{
    if (fromFrame < 0 || fromFrame >= frameCount())
        return noSuchFrame(frameCount());
    if (toFrame < 0 || toFrame >= frameCount())
        return noSuchFrame(frameCount());
    area = area.normalized() & QRect(0, 0, m_ancho, m_alto);
    if (area.isEmpty())
        return std::nullopt;
    QByteArray block;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            block.append(cell(fromFrame, {x, y}));
    CellEdit edit(*this, move ? EditAction::MoveArea : EditAction::CopyArea);
    if (move)
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                edit.set(fromFrame, x, y, ' ');
    qsizetype i = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            edit.set(toFrame, to.x() + x, to.y() + y, block.at(i++));
    return edit.finish();
}

std::optional<QString> EditedMovie::checkFrames(qint64 more) const
{
    if (qint64(frameCount()) + more > kMaxFrames)
        return tooManyFrames();
    if (qint64(frameCount()) + more < 1)
        return kOneFrameAtLeast;
    return std::nullopt;
}

void EditedMovie::record(EditAction action, std::unique_ptr<Extra> extra)
{
    Step step;
    step.first = m_changes.size();
    step.action = action;
    push(std::move(step), std::move(extra));
    apply(m_steps.back(), true);
}

void EditedMovie::splice(EditAction action, int at, int removing, std::vector<Frame> inserted)
{
    auto extra = std::make_unique<Extra>();
    extra->spliced = true;
    extra->at = at;
    extra->removed.assign(m_frames.begin() + at, m_frames.begin() + at + removing);
    extra->inserted = std::move(inserted);
    record(action, std::move(extra));
}

std::optional<QString> EditedMovie::insertBlank(int at, int count)
{
    if (at < 0 || at > frameCount())
        return noSuchFrame(frameCount());
    if (count <= 0)
        return std::nullopt;
    if (std::optional<QString> why = checkFrames(count))
        return why;
    const QByteArray spaces(qsizetype(m_ancho) * m_alto, ' ');
    splice(EditAction::InsertFrames, at, 0, std::vector<Frame>(size_t(count), Frame{spaces, kCrLf, true}));
    return std::nullopt;
}

std::optional<QString> EditedMovie::duplicate(int first, int count)
{
    if (first < 0 || count <= 0 || first + count > frameCount())
        return noSuchFrame(frameCount());
    if (std::optional<QString> why = checkFrames(count))
        return why;
    splice(EditAction::DuplicateFrames, first + count, 0,
           std::vector<Frame>(m_frames.begin() + first, m_frames.begin() + first + count));
    return std::nullopt;
}

std::optional<QString> EditedMovie::remove(int first, int count)
{
    if (first < 0 || count <= 0 || first + count > frameCount())
        return noSuchFrame(frameCount());
    if (std::optional<QString> why = checkFrames(-count))
        return why;
    splice(EditAction::DeleteFrames, first, count, {});
    return std::nullopt;
}

std::optional<QString> EditedMovie::moveFrames(int first, int count, int to)
{
    if (first < 0 || count <= 0 || first + count > frameCount())
        return noSuchFrame(frameCount());
    if (to < 0 || to + count > frameCount())
        return noSuchFrame(frameCount());
    if (to == first)
        return std::nullopt;
    const int low = std::min(first, to), high = std::max(first, to) + count;
    std::vector<Frame> others;
    for (int i = low; i < high; ++i)
        if (i < first || i >= first + count)
            others.push_back(m_frames[size_t(i)]);
    std::vector<Frame> arranged;
    const auto moved = m_frames.begin() + first;
    if (to < first) {
        arranged.assign(moved, moved + count);
        arranged.insert(arranged.end(), others.begin(), others.end());
    } else {
        arranged = others;
        arranged.insert(arranged.end(), moved, moved + count);
    }
    splice(EditAction::MoveFrames, low, high - low, std::move(arranged));
    return std::nullopt;
}

std::optional<QString> EditedMovie::reverse(int first, int count)
{
    if (first < 0 || count <= 0 || first + count > frameCount())
        return noSuchFrame(frameCount());
    if (count == 1)
        return std::nullopt;
    std::vector<Frame> reversed(m_frames.rbegin() + (frameCount() - first - count),
                                m_frames.rbegin() + (frameCount() - first));
    splice(EditAction::ReverseFrames, first, count, std::move(reversed));
    return std::nullopt;
}

std::vector<QByteArray> EditedMovie::frames(int first, int count) const
{
    std::vector<QByteArray> out;
    for (int i = std::max(first, 0); i < std::min(first + count, frameCount()); ++i)
        out.push_back(frame(i));
    return out;
}

std::vector<EditedMovie::Frame> EditedMovie::fit(const std::vector<QByteArray>& frames, QSize from,
                                                 QSize to, Anchor anchor)
{
    const QPoint offset = anchoredOffset(from, to, anchor);
    const QRect kept = QRect(offset, from) & QRect(QPoint(0, 0), to);
    std::vector<Frame> fitted;
    fitted.reserve(frames.size());
    for (const QByteArray& source : frames) {
        QByteArray f(qsizetype(to.width()) * to.height(), ' ');
        for (int y = kept.top(); y <= kept.bottom(); ++y) {
            const qsizetype at = qsizetype(y - offset.y()) * from.width() + (kept.left() - offset.x());
            if (at >= source.size())
                continue;
            std::memcpy(f.data() + qsizetype(y) * to.width() + kept.left(), source.constData() + at,
                        size_t(std::min<qsizetype>(kept.width(), source.size() - at)));
        }
        fitted.push_back({f, kCrLf, true});
    }
    return fitted;
}

std::optional<QString> EditedMovie::pasteFrames(int at, const std::vector<QByteArray>& frames,
                                                QSize size, Anchor anchor)
{
    if (at < 0 || at > frameCount())
        return noSuchFrame(frameCount());
    if (frames.empty())
        return std::nullopt;
    if (std::optional<QString> why = checkFrames(qint64(frames.size())))
        return why;
    std::vector<Frame> fitted = fit(frames, size, QSize(m_ancho, m_alto), anchor);
    splice(EditAction::PasteFrames, at, 0, std::move(fitted));
    return std::nullopt;
}

std::optional<QString> EditedMovie::append(const EditedMovie& other, Anchor anchor)
{
    if (other.m_ancho != m_ancho || other.m_alto != m_alto)
        return pasteFrames(frameCount(), other.frames(0, other.frameCount()),
                           QSize(other.m_ancho, other.m_alto), anchor);
    if (std::optional<QString> why = checkFrames(other.frameCount()))
        return why;
    m_sources.insert(m_sources.end(), other.m_sources.begin(), other.m_sources.end());
    splice(EditAction::PasteFrames, frameCount(), 0, other.m_frames);
    return std::nullopt;
}

std::optional<QString> EditedMovie::pick(const std::vector<int>& order)
{
    if (order.empty())
        return kOneFrameAtLeast;
    if (order.size() > size_t(kMaxFrames))
        return tooManyFrames();
    std::vector<Frame> picked;
    picked.reserve(order.size());
    for (const int i : order) {
        if (i < 0 || i >= frameCount())
            return noSuchFrame(frameCount());
        picked.push_back(m_frames[size_t(i)]);
    }
    splice(EditAction::PickFrames, 0, frameCount(), std::move(picked));
    return std::nullopt;
}

std::optional<QString> EditedMovie::resize(QSize size, Anchor anchor)
{
    ConversionParameters p;
    p.ancho = QString::number(size.width());
    p.alto = QString::number(size.height());
    p.velocidad = QStringLiteral("100");
    if (const ParameterFault fault = checkParameters(p); fault != ParameterFault::None)
        return parameterFaultMessage(fault);
    if (size == QSize(m_ancho, m_alto))
        return std::nullopt;
    const qint64 bytes = movieBytes(headerBytes().size(), frameCount(), qint64(size.width()) * size.height());
    if (bytes > kMaxMovieBytes)
        return tooLargeMessage(bytes);
    auto extra = std::make_unique<Extra>();
    extra->spliced = true;
    extra->removed = m_frames;
    extra->inserted = fit(frames(0, frameCount()), QSize(m_ancho, m_alto), size, anchor);
    extra->resized = true;
    extra->sizeBefore = QSize(m_ancho, m_alto);
    extra->sizeAfter = size;
    record(EditAction::Resize, std::move(extra));
    return std::nullopt;
}

std::optional<QString> EditedMovie::setHeaderText(EditAction action, const QString& value)
{
    Header after = header();
    switch (action) {
    case EditAction::Pause:
        if (!readablePause(value))
            return parameterFaultMessage(ParameterFault::Pause);
        after.pausaText = value.toLatin1();
        after.pausa = numericValue(value);
        break;
    case EditAction::Author:
        if (authorProblem(value))
            return parameterFaultMessage(ParameterFault::Author, value);
        after.creador = toCp1252(value);
        break;
    default:
        if (const std::optional<QString> problem = authorProblem(value))
            return infoMessage(*problem);
        after.masInfo = toCp1252(value);
        break;
    }
    if (after == header())
        return std::nullopt;
    auto extra = std::make_unique<Extra>();
    extra->headed = true;
    extra->before = header();
    extra->after = std::move(after);
    record(action, std::move(extra));
    return std::nullopt;
}

std::optional<QString> EditedMovie::setPause(const QString& pausa)
{
    return setHeaderText(EditAction::Pause, pausa);
}

std::optional<QString> EditedMovie::setAuthor(const QString& creador)
{
    return setHeaderText(EditAction::Author, creador);
}

std::optional<QString> EditedMovie::setInfo(const QString& masInfo)
{
    return setHeaderText(EditAction::Info, masInfo);
}

// Adds a step after the ones applied, dropping what could be redone; a
// history past its limit loses its oldest steps.
void EditedMovie::discardRedo()
{
    if (m_done == m_steps.size())
        return;
    if (m_saved > m_dropped + std::int64_t(m_done))
        m_saved = -1; // the saved state could only be reached by redoing
    for (std::size_t i = m_done; i < m_steps.size(); ++i)
        m_historyBytes -= m_steps[i].cost;
    m_changes.resize(m_steps[m_done].first);
    m_steps.resize(m_done);
}

void EditedMovie::push(Step step, std::unique_ptr<Extra> extra)
{
    if (m_done < m_steps.size()) {
        discardRedo();
        step.first = std::min(step.first, m_changes.size());
    }
    step.extra = std::move(extra);
    step.cost = qint64(sizeof(Step)) + qint64(step.count * sizeof(CellChange))
                + (step.extra ? step.extra->bytes() : 0);
    m_historyBytes += step.cost;
    m_steps.push_back(std::move(step));
    m_done = m_steps.size();
    while (m_historyBytes > m_historyLimit && m_done > 1)
        dropOldest();
}

void EditedMovie::dropOldest()
{
    // A quarter at a time, so that typing past the limit does not move the
    // whole history at every key.
    const std::size_t n = std::max<std::size_t>(1, std::min(m_done - 1, m_steps.size() / 4));
    const std::size_t changes = m_steps[n].first;
    for (std::size_t i = 0; i < n; ++i)
        m_historyBytes -= m_steps[i].cost;
    m_steps.erase(m_steps.begin(), m_steps.begin() + std::ptrdiff_t(n));
    m_changes.erase(m_changes.begin(), m_changes.begin() + std::ptrdiff_t(changes));
    for (Step& s : m_steps)
        s.first -= changes;
    m_done -= n;
    m_dropped += std::int64_t(n);
    if (m_saved >= 0 && m_saved < m_dropped)
        m_saved = -1;
}

void EditedMovie::setHistoryLimit(qint64 bytes)
{
    m_historyLimit = bytes;
    while (m_historyBytes > m_historyLimit && m_done > 1)
        dropOldest();
}

void EditedMovie::apply(const Step& step, bool forward)
{
    Extra* x = step.extra.get();
    const auto replace = [this](int at, std::size_t count, const std::vector<Frame>& with) {
        m_frames.erase(m_frames.begin() + at, m_frames.begin() + at + std::ptrdiff_t(count));
        m_frames.insert(m_frames.begin() + at, with.begin(), with.end());
    };
    if (forward) {
        if (x && x->headed)
            setHeader(x->after);
        if (x && x->resized) {
            m_ancho = std::int16_t(x->sizeAfter.width());
            m_alto = std::int16_t(x->sizeAfter.height());
        }
        if (x && x->spliced)
            replace(x->at, x->removed.size(), x->inserted);
        if (x)
            for (const auto& [frame, raw] : x->madeWhole)
                makeWhole(frame, nullptr);
        for (std::size_t i = step.first; i < step.first + step.count; ++i) {
            const CellChange& c = m_changes[i];
            m_frames[size_t(c.frame)].bytes.data()[c.offset] = c.after;
        }
        return;
    }
    for (std::size_t i = step.first + step.count; i-- > step.first;) {
        const CellChange& c = m_changes[i];
        m_frames[size_t(c.frame)].bytes.data()[c.offset] = c.before;
    }
    if (x) {
        for (auto it = x->madeWhole.rbegin(); it != x->madeWhole.rend(); ++it)
            m_frames[size_t(it->first)] = it->second;
        if (x->spliced)
            replace(x->at, x->inserted.size(), x->removed);
        if (x->resized) {
            m_ancho = std::int16_t(x->sizeBefore.width());
            m_alto = std::int16_t(x->sizeBefore.height());
        }
        if (x->headed)
            setHeader(x->before);
    }
}

bool EditedMovie::canUndo() const { return m_done > 0; }
bool EditedMovie::canRedo() const { return m_done < m_steps.size(); }
EditAction EditedMovie::undoAction() const { return canUndo() ? m_steps[m_done - 1].action : EditAction::Text; }
EditAction EditedMovie::redoAction() const { return canRedo() ? m_steps[m_done].action : EditAction::Text; }

bool EditedMovie::undo()
{
    if (!canUndo())
        return false;
    apply(m_steps[--m_done], false);
    return true;
}

bool EditedMovie::redo()
{
    if (!canRedo())
        return false;
    apply(m_steps[m_done++], true);
    return true;
}

bool EditedMovie::modified() const
{
    return m_saved != m_dropped + std::int64_t(m_done);
}

bool EditedMovie::headerAsRead() const
{
    return !m_rawHeader.isEmpty() && header() == *m_asRead && frameCount() == m_framesAsRead;
}

QByteArray EditedMovie::headerBytes() const
{
    if (headerAsRead())
        return m_rawHeader;
    return headerLine(QByteArray::number(m_ancho), QByteArray::number(m_alto), frameCount(),
                      m_pausaText, headerField(m_creador), headerField(m_masInfo))
           + "\r\n";
}

qint64 EditedMovie::savedSize() const
{
    qint64 n = headerBytes().size();
    for (const Frame& f : m_frames)
        n += f.bytes.size() + 2;
    return n;
}

bool EditedMovie::writeTo(MovieWriter& writer) const
{
    if (!writer.beginRaw(headerBytes()))
        return false;
    const std::size_t count = m_frames.size();
    for (std::size_t i = 0; i < count;) {
        const Frame& f = m_frames[i];
        if (f.whole) {
            if (!writer.writeFrame(f.bytes))
                return false;
            ++i;
            continue;
        }
        // Untouched frames that lie one after the other in what was read
        // go out in one write, their line ends with them. The last line's
        // end was not kept by the reader: it is written apart.
        const char* start = f.bytes.constData();
        const char* stop = start;
        std::size_t j = i;
        bool endApart = false;
        while (!endApart && j < count && !m_frames[j].whole && m_frames[j].bytes.constData() == stop) {
            const Frame& g = m_frames[j++];
            stop = g.bytes.constData() + g.bytes.size();
            endApart = !g.endRead;
            if (!endApart)
                stop += lineEnd(g.end).size();
        }
        if (!writer.writeLines(QByteArrayView(start, stop - start))
            || (endApart && !writer.writeLines(lineEnd(m_frames[j - 1].end))))
            return false;
        i = j;
    }
    return true;
}

QByteArray EditedMovie::bytes() const
{
    QByteArray out;
    MovieWriter writer(&out);
    writeTo(writer);
    return out;
}

std::optional<QString> EditedMovie::save(const FileName& target, SavedForm form)
{
    const bool compress = form == SavedForm::Compressed || (form == SavedForm::AsOpened && m_compressed);
    const qint64 size = savedSize();
    if (size > kMaxMovieBytes)
        return tooLargeMessage(size);
    const bool asRead = m_dropped == 0 && m_done == 0 && !m_file.isEmpty() && compress == m_compressed;
    const bool sameFile = asRead && QFileInfo(target.escapedText()).canonicalFilePath()
                                        == QFileInfo(m_file.escapedText()).canonicalFilePath();
    if (sameFile) {
        m_saved = 0;
        return std::nullopt;
    }
    if (asRead) {
        // Nothing changed: the very bytes of the file, in either form.
        QFile in(m_file.escapedText());
        SafeFile out(target);
        if (!openForReading(in, m_file) || !out.open())
            return writeErrorMessage(out.codeError(), out.error());
        QByteArray piece(qsizetype(4) << 20, Qt::Uninitialized);
        for (qint64 n; (n = in.read(piece.data(), piece.size())) != 0;)
            if (n < 0 || !out.write(QByteArrayView(piece.constData(), n)))
                return writeErrorMessage(out.codeError(), out.error());
        if (!out.finish())
            return writeErrorMessage(out.codeError(), out.error());
    } else {
        MovieWriter writer(target);
        if (!writeTo(writer) || !writer.commit())
            return writeErrorMessage(writer.error(), writer.errorString());
        if (compress) {
            QStringList lines;
            if (!compressMovieInPlace(target, &lines)) {
                lines.append(QStringLiteral("la película fué guardada, pero esta no fué comprimida"));
                m_file = target;
                m_compressed = false;
                m_saved = m_dropped + std::int64_t(m_done);
                return lines.join(QLatin1Char('\n'));
            }
        }
    }
    m_file = target;
    m_compressed = compress;
    m_saved = m_dropped + std::int64_t(m_done);
    return std::nullopt;
}

} // namespace orv

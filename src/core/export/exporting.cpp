#include "exporting.h"

#include "cp1252.h"
#include "frame.h"
#include "playback.h"
#include "safefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace orv {
namespace {

bool isControl(unsigned char b)
{
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

JsonTable buildTable(bool forHtml)
{
    // The escaping comes from Qt's JSON writer: each character is written as
    // a one-element array and the text between the quotes is kept.
    JsonTable table{};
    for (int b = 0; b < 256; ++b) {
        const char c = isControl(static_cast<unsigned char>(b)) ? ' ' : static_cast<char>(b);
        const QByteArray doc = QJsonDocument(QJsonArray{fromCp1252(QByteArrayView(&c, 1))})
                                   .toJson(QJsonDocument::Compact);
        QByteArray text = doc.mid(2, doc.size() - 4); // drop [" and "]
        if (forHtml && (c == '<' || c == '>' || c == '&'))
            text = QByteArray("\\u00") + QByteArray::number(b, 16);
        JsonCode& code = table[static_cast<size_t>(b)];
        Q_ASSERT(text.size() < qsizetype(sizeof code.text));
        std::memcpy(code.text, text.constData(), static_cast<size_t>(text.size()));
        code.length = static_cast<std::uint8_t>(text.size());
        code.same = text.size() == 1 && text.at(0) == static_cast<char>(b);
    }
    return table;
}

// How many bytes from `c` on are plain ASCII that no table escapes (0x20 to
// 0x7E but for '"', '\\', '<', '>' and '&'), counted eight at a time: whole
// words only, so the caller looks at the rest byte by byte.
qsizetype plainSpan(const unsigned char* c, qsizetype n)
{
    constexpr std::uint64_t some = 0x0101010101010101ull;
    constexpr std::uint64_t altos = 0x8080808080808080ull;
    const auto hasZero = [](std::uint64_t v) { return (v - some) & ~v & altos; };
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t v;
        std::memcpy(&v, c + k, sizeof v);
        const std::uint64_t odd = (v & altos) | ((v - 0x20 * some) & ~v & altos) |
                                  hasZero(v ^ (0x7F * some)) | hasZero(v ^ ('"' * some)) |
                                  hasZero(v ^ ('\\' * some)) | hasZero(v ^ ('<' * some)) |
                                  hasZero(v ^ ('>' * some)) | hasZero(v ^ ('&' * some));
        if (odd)
            break;
    }
    return k;
}

} // namespace

QByteArray visibleFrame(const Movie& movie, int i)
{
    QByteArray text = armaCuadro(movie, i);
    text.replace("\r\n", "\n");
    for (char& c : text) {
        if (c != '\n' && isControl(static_cast<unsigned char>(c)))
            c = ' ';
    }
    return text;
}

QByteArray withoutControls(QByteArrayView bytes)
{
    QByteArray text = bytes.toByteArray();
    for (char& c : text) {
        if (isControl(static_cast<unsigned char>(c)))
            c = ' ';
    }
    return text;
}

namespace {

// The parts of an export, made on a helper thread while the caller's thread
// writes those before them. Parts go over in batches of about a megabyte;
// at most a few batches wait, so memory stays bounded however long the
// movie, and the buffers are used again.
class Workshop
{
public:
    struct Batch
    {
        QByteArray bytes;
        int to = 0; // the parts done once this batch is written: [-1, to)
    };

    Workshop(int total, const std::function<void(int, QByteArray&)>& part)
        : m_total(total), m_part(part), m_thread([this] { work(); })
    {
    }
    ~Workshop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_change.notify_all();
        m_thread.join();
    }

    // The next batch; false when every part was taken, or a part could not
    // be made (failure()).
    bool take(Batch& batch)
    {
        std::unique_lock lock(m_mutex);
        m_change.wait(lock, [this] { return !m_lists.empty() || m_done; });
        if (m_lists.empty())
            return false;
        m_free.push_back(std::move(batch.bytes));
        batch = std::move(m_lists.front());
        m_lists.pop_front();
        lock.unlock();
        m_change.notify_all();
        return true;
    }
    bool failure() const
    {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    static constexpr qsizetype kBatch = qsizetype(1) << 20;
    static constexpr size_t kWaiting = 4;

    void work()
    {
        int i = -1;
        bool ok = true;
        while (ok && i <= m_total) {
            Batch batch;
            {
                std::unique_lock lock(m_mutex);
                m_change.wait(lock, [this] { return m_stop || m_lists.size() < kWaiting; });
                if (m_stop)
                    break;
                if (!m_free.empty()) {
                    batch.bytes = std::move(m_free.back());
                    m_free.pop_back();
                }
            }
            batch.bytes.resize(0);
            try {
                do
                    m_part(i++, batch.bytes);
                while (i <= m_total && batch.bytes.size() < kBatch);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            batch.to = i;
            {
                std::lock_guard lock(m_mutex);
                if (ok)
                    m_lists.push_back(std::move(batch));
                m_failure = !ok;
            }
            m_change.notify_all();
        }
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_change.notify_all();
    }

    const int m_total;
    const std::function<void(int, QByteArray&)>& m_part;
    mutable std::mutex m_mutex;
    std::condition_variable m_change;
    std::deque<Batch> m_lists;
    std::vector<QByteArray> m_free;
    bool m_stop = false, m_done = false, m_failure = false;
    std::thread m_thread; // last: it starts once everything above is ready
};

} // namespace

ExportResult writeExport(const FileName& path, const ExportOptions& options, int total,
                         const std::function<void(int, QByteArray&)>& part, QString* error)
{
    // Part -1 is what comes before the frames, part `total` what follows.
    SafeFile file(path);
    if (!file.open()) {
        if (error)
            *error = file.error();
        return ExportResult::Fault;
    }
    bool ok = true, outOfMemory = false;
    {
        Workshop workshop(total, part);
        Workshop::Batch batch;
        int warned = 0; // frames the progress callback was told of
        while (ok && workshop.take(batch)) {
            ok = file.write(batch.bytes);
            for (const int done = std::min(batch.to, total); ok && warned < done;) {
                ++warned;
                if (options.progress && !options.progress(warned, total)) {
                    file.cancel();
                    return ExportResult::Cancelled;
                }
            }
        }
        outOfMemory = ok && workshop.failure();
        if (ok && !outOfMemory && file.finish())
            return ExportResult::Done;
    }
    if (error)
        *error = outOfMemory ? outOfMemoryError() : file.error();
    file.cancel();
    return ExportResult::Fault;
}

QString outOfMemoryError()
{
    return QStringLiteral("No hay memoria suficiente para exportar la película.");
}

int exportPause(const Movie& movie)
{
    return Playback::intervalFor(movie.pausa);
}

const JsonTable& jsonTable(bool forHtml)
{
    static const JsonTable json = buildTable(false);
    static const JsonTable html = buildTable(true);
    return forHtml ? html : json;
}

void appendJsonText(QByteArray& out, QByteArrayView text, const JsonTable& table)
{
    // The hot loop of the text exports. Every code is copied as a whole
    // 8-byte block into a buffer with room to spare, and the end moves by
    // its real length; the buffer is cut to size at the end.
    const qsizetype n = text.size();
    const qsizetype base = out.size();
    out.resize(base + n * qsizetype(sizeof(JsonCode::text)));
    char* d = out.data() + base;
    const auto* c = reinterpret_cast<const unsigned char*>(text.data());
    for (qsizetype k = 0; k < n;) {
        // Runs of plain ASCII (most of a picture) go over in one copy.
        const qsizetype end = k + plainSpan(c + k, n - k);
        std::memcpy(d, c + k, static_cast<size_t>(end - k));
        d += end - k;
        k = end;
        // Then byte by byte up to the next whole word.
        const qsizetype to = std::min(n, k + 8);
        for (; k < to; ++k) {
            const JsonCode& code = table[c[k]];
            std::memcpy(d, code.text, sizeof code.text);
            d += code.length;
        }
    }
    out.resize(d - out.constData());
}

QByteArrayView frameRow(const Movie& movie, int i, int row)
{
    // The rows are read straight from the movie's frame line, cut as
    // armaCuadro() cuts them.
    const QByteArrayView line = movie.frame(i);
    const qsizetype ancho = std::max<qsizetype>(movie.ancho, 0);
    const qsizetype from = movie.alto > 0 ? qsizetype(row) * ancho : line.size();
    if (from >= line.size())
        return {};
    return line.sliced(from, std::min(ancho, line.size() - from));
}

void addFrameJson(QByteArray& out, const Movie& movie, int i, const JsonTable& table,
                  const std::function<void(QByteArray&, int)>& beforeRow)
{
    const int rows = movie.alto > 0 ? movie.alto : 1;
    for (int row = 0; row < rows; ++row) {
        beforeRow(out, row);
        appendJsonText(out, frameRow(movie, i, row), table);
    }
}

bool showsAsSpace(unsigned char b)
{
    return b == ' ' || isControl(b);
}

bool readColour(QStringView text, std::uint32_t& color)
{
    if (text.startsWith(QLatin1Char('#')))
        text = text.mid(1);
    if (text.size() != 6)
        return false;
    std::uint32_t value = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    color = value;
    return true;
}

} // namespace orv

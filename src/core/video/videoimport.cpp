#include "videoimport.h"

#include "clip.h"
#include "cp1252.h"
#include "generation.h"
#include "movie.h"
#include "moviewriter.h"
#include "filename.h"
#include "tonetable.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace orv::video {
namespace {

constexpr double kFpsCap = 120;
constexpr double kMargin = 1e-9;

// When the last frame stops showing, where the container does not say: the
// gap before it again, or one frame at the clip's rate for a clip of one
// frame.
double endOf(const std::vector<double>& times, double fpsClip)
{
    if (times.empty())
        return 0;
    const double step = times.size() > 1 ? times.back() - times[times.size() - 2]
                                         : (fpsClip > 0 ? 1 / fpsClip : 0.04);
    return times.back() + std::max(step, 0.001);
}

// Decoded frames handed from the helper thread to the writer, in order,
// only those the plan uses; a few at a time.
class Queue
{
public:
    struct DecodedFrame
    {
        int index = -1;
        QByteArray grey;
    };

    bool set(DecodedFrame c)
    {
        std::unique_lock lock(m_mutex);
        m_hasGap.wait(lock, [this] { return m_cuadros.size() < kCapacity || m_stop; });
        if (m_stop)
            return false;
        m_cuadros.push_back(std::move(c));
        m_hasFrame.notify_one();
        return true;
    }
    // False once the helper is done and nothing is left.
    bool take(DecodedFrame& c)
    {
        std::unique_lock lock(m_mutex);
        m_hasFrame.wait(lock, [this] { return !m_cuadros.empty() || m_finished; });
        if (m_cuadros.empty())
            return false;
        c = std::move(m_cuadros.front());
        m_cuadros.pop_front();
        m_hasGap.notify_one();
        return true;
    }
    void finish()
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_hasFrame.notify_all();
    }
    void forUse()
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_hasGap.notify_all();
    }

private:
    static constexpr size_t kCapacity = 4;
    std::mutex m_mutex;
    std::condition_variable m_hasFrame, m_hasGap;
    std::deque<DecodedFrame> m_cuadros;
    bool m_finished = false, m_stop = false;
};

struct Prepared
{
    std::unique_ptr<Clip> clip;
    QSize cells;
    double fps = 0;
    double step = 0.04; // one frame at the clip's own rate, in seconds
    double end = 0;     // when the clip stops, as its container says
    std::vector<int> plan;
};

VideoState prepare(const FileName& path, const VideoOptions& o, Prepared& p)
{
    if (o.columns < kMinSide || o.columns > kMaxSide)
        return VideoState::InvalidWidth;
    if (!(o.fps == 0 || (o.fps >= kMinFps && o.fps <= kFpsCap)))
        return VideoState::InvalidFps;
    if (!(o.gamma >= kMinGamma && o.gamma <= kMaxGamma) || !(o.contrast >= 0 && o.contrast <= kMaxContrast)
        || !(o.brightness >= -1 && o.brightness <= 1))
        return VideoState::InvalidTone;
    if (!(o.from >= 0) || (o.to >= 0 && o.to <= o.from))
        return VideoState::InvalidRange;
    Clip::Fault failure = Clip::Fault::None;
    p.clip = Clip::open(path, failure);
    if (!p.clip)
        return failure == Clip::Fault::NoVideo ? VideoState::NoVideo : VideoState::NotVideo;
    const std::optional<QSize> cells = grid(o.columns, p.clip->visibleSize());
    if (!cells)
        return VideoState::InvalidWidth;
    p.cells = *cells;
    double endSaid = -1;
    const std::vector<double> times = p.clip->times(endSaid);
    if (times.empty())
        return VideoState::NotVideo;
    // The clip's own rate: what its frames' times show (containers often
    // state only their clock's rate), else what the stream says.
    double own = p.clip->fps();
    if (times.size() > 1 && times.back() > times.front())
        own = double(times.size() - 1) / (times.back() - times.front());
    p.fps = o.fps > 0 ? o.fps : std::min(own > 0 ? own : 25.0, kMaxFps);
    p.step = own > 0 ? 1 / own : 0.04;
    // Where the clip ends: as far as its frames go, or as its container
    // says when that is later (a clip cut short, whose missing end the
    // import finds and says).
    double end = endSaid > times.back() ? endSaid : endOf(times, p.clip->fps());
    if (const double stated = p.clip->statedDuration(); stated > end + std::max(2 * p.step, 0.1))
        end = stated;
    p.end = end;
    if (o.from >= end)
        return VideoState::InvalidRange;
    p.plan = plan(times, end, o.from, o.to, p.fps);
    return p.plan.empty() ? VideoState::NoFrames : VideoState::Created;
}

} // namespace

std::optional<QSize> grid(int columns, QSize visible)
{
    if (columns < kMinSide || columns > kMaxSide || visible.width() <= 0 || visible.height() <= 0)
        return std::nullopt;
    const double form = double(visible.height()) / visible.width() / 2; // rows per column
    int rows = int(std::lround(columns * form));
    if (rows > kMaxSide) {
        columns = int(std::floor(kMaxSide / form));
        rows = std::min(kMaxSide, int(std::lround(columns * form)));
    }
    if (columns < kMinSide || rows < kMinSide)
        return std::nullopt;
    return QSize(columns, rows);
}

std::vector<int> plan(const std::vector<double>& times, double end, double from, double to,
                      double fps)
{
    std::vector<int> out;
    if (times.empty() || !(fps > 0))
        return out;
    to = to < 0 ? end : std::min(to, end);
    size_t i = 0;
    for (qint64 k = 0;; ++k) {
        const double t = from + double(k) / fps;
        if (t >= to - kMargin || out.size() > size_t(kMaxFrames))
            break;
        while (i + 1 < times.size() && times[i + 1] <= t + kMargin)
            ++i;
        out.push_back(int(i));
    }
    return out;
}

QByteArray greyLine(const QByteArray& grey, QSize cells, bool reverse, Dither dither)
{
    static constexpr int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    QByteArray line(qsizetype(cells.width()) * cells.height(), Qt::Uninitialized);
    const auto* p = reinterpret_cast<const unsigned char*>(grey.constData());
    for (int y = 0; y < cells.height(); ++y) {
        for (int x = 0; x < cells.width(); ++x) {
            const int v = p[qsizetype(y) * cells.width() + x];
            // 16 levels, 0 black to 15 white: rounded, or with the dither's
            // threshold in place of the rounding.
            const int threshold =
                dither == Dither::Ordered ? (2 * kBayer[y & 3][x & 3] + 1) * 255 / 32 : 127;
            const int level = std::min(15, (v * 15 + threshold) / 255);
            line[qsizetype(y) * cells.width() + x] =
                rampaCaracteres[size_t(reverse ? level : 15 - level)];
        }
    }
    return line;
}

std::vector<uchar> toneTable(const VideoOptions& o)
{
    std::vector<uchar> table;
    if (o.gamma == 1 && o.contrast == 1 && o.brightness == 0)
        return table;
    table.resize(256);
    for (int v = 0; v < 256; ++v) {
        const double lit = std::pow(v / 255.0, 1 / o.gamma);
        const double out = (lit - 0.5) * o.contrast + 0.5 + o.brightness;
        table[size_t(v)] = uchar(std::lround(std::clamp(out, 0.0, 1.0) * 255));
    }
    return table;
}

QByteArray toned(const QByteArray& grey, const std::vector<uchar>& table)
{
    if (table.empty())
        return grey;
    QByteArray out(grey.size(), Qt::Uninitialized);
    const auto* from = reinterpret_cast<const uchar*>(grey.constData());
    auto* to = reinterpret_cast<uchar*>(out.data());
    for (qsizetype i = 0; i < grey.size(); ++i)
        to[i] = table[from[i]];
    return out;
}

QString pauseFor(double fps)
{
    QString text = QString::number(1000.0 / fps, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

VideoResult importVideo(const FileName& clip, const FileName& path, const VideoOptions& options,
                        const VideoProgress& progress, bool shortened)
{
    VideoResult r;
    Prepared p;
    r.state = prepare(clip, options, p);
    r.cells = p.cells;
    if (r.state != VideoState::Created)
        return r;
    const QString pausa = options.pausa.isEmpty() ? pauseFor(p.fps) : options.pausa;
    if (const std::optional<QString> error = validateData(pausa, options.creador)) {
        r.state = VideoState::InvalidData;
        r.detail = *error;
        return r;
    }
    if (p.plan.size() > size_t(kMaxFrames)) {
        p.plan.resize(size_t(kMaxFrames));
        r.cut = true;
    }
    const int total = int(p.plan.size());

    const QByteArray header =
        headerLine(QByteArray::number(p.cells.width()), QByteArray::number(p.cells.height()), total,
                   toCp1252(pausa.trimmed()), toCp1252(options.creador),
                   toCp1252(creatorInfo() + (options.from > 0 ? clipStartNote(options.from) : QString())));
    r.bytes = movieBytes(header.size(), total, qint64(p.cells.width()) * p.cells.height());
    if (r.bytes > kMaxMovieBytes) {
        r.state = VideoState::TooLarge;
        return r;
    }
    MovieWriter writer(path);
    if (!writer.begin(header)) {
        r.state = VideoState::WriteError;
        r.detail = writer.errorString();
        return r;
    }

    // The helper decodes in order and hands over, for each sample time, the
    // frame shown then: the last one whose own time has come (the first one
    // for samples before it). Frames are placed by their times, never by
    // counting them, so a frame the clip lost shifts nothing after it.
    Queue queue;
    double decodedEnd = -1; // set when the clip stops before its container says
    std::thread helper([&] {
        const auto sample = [&](int k) { return options.from + double(k) / p.fps; };
        int k = 0;
        double time = 0, shownAt = -1;
        QByteArray grey, shown;
        bool going = true;
        if (options.from > 0)
            p.clip->seek(options.from);
        // Frames on screen at no sample time need no decoding.
        p.clip->sampleAt(options.from, p.fps);
        while (going && k < total) {
            if (!p.clip->next(p.cells, time, grey))
                break;
            if (shownAt < 0) {
                shown = grey;
                shownAt = time;
            }
            while (going && k < total && sample(k) < time - kMargin)
                going = queue.set({k++, shown});
            shown = grey;
            shownAt = time;
        }
        // The last frame serves to its end; a clip whose frames stop well
        // before its container's end was cut short.
        const double lastEnd = shownAt + p.step;
        while (going && shownAt >= 0 && k < total && sample(k) < lastEnd - kMargin)
            going = queue.set({k++, shown});
        const bool cutShort = going && shownAt >= 0 && k < total && p.end > lastEnd + std::max(2 * p.step, 0.1);
        if (cutShort)
            decodedEnd = lastEnd;
        while (going && !cutShort && shownAt >= 0 && k < total)
            going = queue.set({k++, shown});
        r.decoded = p.clip->decodedFrames();
        queue.finish();
    });

    const std::vector<uchar> tones = toneTable(options);
    Queue::DecodedFrame current;
    QByteArray line, drawn; // the frame line, and the grey picture it was drawn from
    bool stopped = false;   // the clip gave out before the samples did
    for (int k = 0; k < total && r.state == VideoState::Created; ++k) {
        if (!queue.take(current)) {
            stopped = true;
            break;
        }
        // A frame that serves several samples is drawn once.
        if (k == 0 || !current.grey.isSharedWith(drawn)) {
            line = greyLine(toned(current.grey, tones), p.cells, options.reverse, options.dither);
            drawn = current.grey;
        }
        if (!writer.writeFrame(line)) {
            r.state = VideoState::WriteError;
            r.detail = writer.errorString();
            break;
        }
        r.cuadros = k + 1;
        if (progress && !progress(k + 1, total))
            r.state = VideoState::Cancelled;
    }
    queue.forUse();
    Queue::DecodedFrame discard;
    while (queue.take(discard)) {
    }
    helper.join();
    if (stopped && r.state == VideoState::Created) {
        // Cut short: what the clip holds is made again, up to where its
        // frames stop, and the result says where that is. Nothing at all
        // decoded is no clip.
        if (decodedEnd < 0 || shortened)
            return VideoResult{VideoState::NotVideo, 0, false, p.cells, {}, 0, r.decoded};
        VideoOptions upTo = options;
        upTo.to = decodedEnd;
        VideoResult again = importVideo(clip, path, upTo, progress, true);
        again.endsAt = decodedEnd;
        again.decoded += r.decoded;
        return again;
    }
    if (r.state == VideoState::Created && !writer.commit()) {
        r.state = VideoState::WriteError;
        r.detail = writer.errorString();
    }
    return r;
}

std::optional<QByteArray> firstFrame(const FileName& clip, const VideoOptions& options, QSize& cells,
                                     VideoState& state)
{
    Prepared p;
    state = prepare(clip, options, p);
    cells = p.cells;
    if (state != VideoState::Created)
        return std::nullopt;
    // The frame shown at `from`: the last one whose time has come, or the
    // first one.
    if (options.from > 0)
        p.clip->seek(options.from);
    double time = 0;
    QByteArray grey, shown;
    while (p.clip->next(p.cells, time, grey)) {
        if (shown.isEmpty() || time <= options.from + kMargin)
            shown = grey;
        if (time > options.from + kMargin)
            break;
    }
    if (!shown.isEmpty()) {
        const QByteArray line = greyLine(toned(shown, toneTable(options)), p.cells, options.reverse, options.dither);
        QByteArray text;
        for (int y = 0; y < p.cells.height(); ++y) {
            if (y > 0)
                text += '\n';
            text += line.mid(qsizetype(y) * p.cells.width(), p.cells.width());
        }
        return text;
    }
    state = VideoState::NotVideo;
    return std::nullopt;
}

QString shortClipMessage(double seconds)
{
    const int whole = int(std::floor(seconds));
    return QStringLiteral("el video termina en %1:%2, antes de lo que indica su cabecera")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString videoMessage(const VideoResult& r, const FileName& path)
{
    switch (r.state) {
    case VideoState::Created:
    case VideoState::Cancelled:
        return {};
    case VideoState::NotVideo:
        return QStringLiteral("El archivo no es un video que se pueda leer: ") + path.display();
    case VideoState::NoVideo:
        return QStringLiteral("El archivo no contiene video: ") + path.display();
    case VideoState::InvalidWidth:
        return QStringLiteral(
            "El ancho debe ser de 12 a 400 caracteres, y a ese ancho el video debe "
            "ocupar de 12 a 400 filas.");
    case VideoState::InvalidFps:
        return QStringLiteral(
            "Los cuadros por segundo deben ser un número de 0.000001 a 120 (una pausa de 8.333 a "
            "1000000000 milisegundos).");
    case VideoState::InvalidRange:
        return QStringLiteral(
            "El tramo pedido no está dentro del video: el inicio debe ser anterior al "
            "final y al fin del video.");
    case VideoState::NoFrames:
        return QStringLiteral("Ningún cuadro del video cae en el tramo pedido.");
    case VideoState::InvalidTone:
        return QStringLiteral(
            "La gamma debe ser de 0.1 a 10, el contraste de 0 a 10 y el brillo de -1 a 1.");
    case VideoState::InvalidData:
        return r.detail;
    case VideoState::WriteError:
        return QStringLiteral("No se pudo escribir la película: ") + r.detail;
    case VideoState::TooLarge:
        return tooLargeMessage(r.bytes);
    }
    return {};
}

} // namespace orv::video

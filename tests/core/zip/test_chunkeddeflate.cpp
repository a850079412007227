// The chunked deflate: whatever the cut, the joined pieces form one standard
// stream that two independent inflaters read back byte for byte, with
// nothing before its end marked final and nothing after it.
#include "chunkeddeflate.h"

#include <QRandomGenerator>
#include <QtTest>

#include <libdeflate.h>
#include <zlib.h>

#include <cmath>

namespace {

// Text shaped like ASCII-art frames: long runs of a tone ramp that shift
// from line to line, so libdeflate writes dynamic blocks with matches.
QByteArray artText(qsizetype size, int seed)
{
    static const char kRamp[] = " .:-=+*#%@";
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        const qsizetype line = i / 200, col = i % 200;
        const double v = std::sin(col * 0.11 + line * 0.07 + seed) * std::cos(line * 0.17);
        out[i] = col == 199 ? '\n' : kRamp[static_cast<int>((v + 1.0) * 4.999)];
    }
    return out;
}

// Bytes deflate cannot shrink: libdeflate answers them with stored blocks,
// whose end sits on a byte boundary.
QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : out)
        c = static_cast<char>(random.bounded(256));
    return out;
}

// libdeflate's own inflater, which must use every byte of the stream.
std::optional<QByteArray> inflateWithLibdeflate(const QByteArray& packed, qsizetype size)
{
    QByteArray out(size, Qt::Uninitialized);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    size_t in = 0, produced = 0;
    const auto rc = libdeflate_deflate_decompress_ex(d, packed.constData(), static_cast<size_t>(packed.size()),
                                                     out.data(), static_cast<size_t>(out.size()), &in, &produced);
    libdeflate_free_decompressor(d);
    if (rc != LIBDEFLATE_SUCCESS || in != static_cast<size_t>(packed.size()))
        return std::nullopt;
    out.resize(static_cast<qsizetype>(produced));
    return out;
}

// zlib's streaming inflater: the final block must be the last thing in the
// stream, so the stream ends exactly where the data does.
std::optional<QByteArray> inflateWithZlib(const QByteArray& packed, qsizetype size)
{
    QByteArray out(size + 1, Qt::Uninitialized); // room for one byte too many
    z_stream s{};
    if (inflateInit2(&s, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    s.avail_in = static_cast<uInt>(packed.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&s, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && s.avail_in == 0;
    out.resize(static_cast<qsizetype>(s.total_out));
    inflateEnd(&s);
    return whole ? std::optional(out) : std::nullopt;
}

// The number of final blocks in a stream, walked block by block.
int finalBlocks(const QByteArray& packed)
{
    z_stream s{};
    inflateInit2(&s, -MAX_WBITS);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    s.avail_in = static_cast<uInt>(packed.size());
    std::vector<unsigned char> sink(1 << 16);
    int finals = 0;
    for (int rc = Z_OK; rc == Z_OK;) {
        s.next_out = sink.data();
        s.avail_out = static_cast<uInt>(sink.size());
        rc = inflate(&s, Z_BLOCK);
        // Ends of blocks come back with bit 128; the final one also has 64.
        if (rc == Z_OK && (s.data_type & 128) && (s.data_type & 64))
            ++finals;
    }
    inflateEnd(&s);
    return finals;
}

} // namespace

class TestChunkedDeflate : public QObject
{
    Q_OBJECT
private slots:
    // Level 7 is what the builder uses; every other level libdeflate offers
    // must pad its last byte the same way, or the joins would break.
    void joinedPiecesReadBackWhole_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<int>("level");
        QTest::addColumn<qsizetype>("chunk");
        const qsizetype k = 64 * 1024;
        QTest::newRow("empty") << QByteArray() << 7 << k;
        QTest::newRow("one byte, one-byte pieces") << QByteArray("A") << 7 << qsizetype(1);
        QTest::newRow("one piece and a byte") << artText(k + 1, 3) << 7 << k;
        QTest::newRow("exactly five pieces") << artText(5 * k, 4) << 7 << k;
        QTest::newRow("several pieces and a remainder") << artText(7 * k + 12345, 5) << 7 << k;
        QTest::newRow("noise: stored blocks end each piece") << noise(3 * k + 100, 8) << 7 << k;
        QTest::newRow("text and noise in turns")
            << artText(k + 500, 9) + noise(k, 10) + artText(2 * k, 11) + noise(700, 12) << 7 << k;
        for (int level : {1, 6, 7, 9, 12}) {
            const QByteArray mixed = artText(40000, level) + noise(5000, quint32(level)) + artText(30000, -level);
            for (qsizetype chunk : {qsizetype(997), qsizetype(4096), qsizetype(20000)})
                QTest::addRow("level %d, pieces of %lld", level, qlonglong(chunk)) << mixed << level << chunk;
        }
    }

    void joinedPiecesReadBackWhole()
    {
        QFETCH(QByteArray, plain);
        QFETCH(int, level);
        QFETCH(qsizetype, chunk);
        const std::optional<QByteArray> packed = orv::deflateInChunks(plain, level, chunk);
        QVERIFY(packed.has_value());
        QVERIFY(!packed->isEmpty());
        QCOMPARE(finalBlocks(*packed), 1);
        QCOMPARE(inflateWithLibdeflate(*packed, plain.size()).value_or("<failed>"), plain);
        QCOMPARE(inflateWithZlib(*packed, plain.size()).value_or("<failed>"), plain);
    }
};

QTEST_GUILESS_MAIN(TestChunkedDeflate)
#include "test_chunkeddeflate.moc"

#include "chunkeddeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace orv {
namespace {

constexpr unsigned kMaxThreads = 8;

struct CompressorFree
{
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorFree>;

// Where a piece's last block starts, and how many bits of the piece's last
// byte that block leaves unused.
struct Tail
{
    qsizetype finalByte = 0;
    int finalBit = 0;
    int unusedBits = 0;
};

// libdeflate has no way to leave a stream open, so each piece comes back
// with BFINAL set on its last block. zlib's inflate, stopping at every block
// boundary, tells where that block's header sits; the piece is read anyway
// only as far as its own compressed size, far cheaper than compressing it.
bool findTail(const QByteArray& piece, z_stream& inf, std::vector<unsigned char>& scratch, Tail& tail)
{
    if (inflateReset(&inf) != Z_OK)
        return false;
    inf.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
    inf.avail_in = static_cast<uInt>(piece.size());
    for (;;) {
        inf.next_out = scratch.data();
        inf.avail_out = static_cast<uInt>(scratch.size());
        const int rc = inflate(&inf, Z_BLOCK);
        if (rc == Z_STREAM_END)
            return true;
        if (rc != Z_OK)
            return false;
        if (!(inf.data_type & 128))
            continue;
        // At a block boundary: the bits not yet used of the last byte read
        // are where the next header begins.
        const int unused = inf.data_type & 7;
        const qsizetype consumed = piece.size() - static_cast<qsizetype>(inf.avail_in);
        if (inf.data_type & 64) {
            tail.unusedBits = unused;
        } else {
            tail.finalByte = unused ? consumed - 1 : consumed;
            tail.finalBit = unused ? 8 - unused : 0;
        }
    }
}

// Makes a finished piece something the next piece can follow: its last
// block stops being the final one, and an empty stored block (the same
// marker a sync flush writes) brings the stream to a byte boundary. The
// pieces share no history, so nothing after the cut refers back past it.
bool openUp(QByteArray& piece, z_stream& inf, std::vector<unsigned char>& scratch)
{
    Tail tail;
    if (!findTail(piece, inf, scratch, tail))
        return false;
    char& header = piece[tail.finalByte];
    if (!(header & (1 << tail.finalBit)))
        return false;
    header = static_cast<char>(header & ~(1 << tail.finalBit));
    // The stored header is three zero bits: libdeflate pads its last byte
    // with zeros, so it costs a byte only when fewer than three are left.
    if (tail.unusedBits < 3)
        piece.append('\0');
    piece.append("\x00\x00\xff\xff", 4);
    return true;
}

QByteArray compress(libdeflate_compressor* c, QByteArrayView in, QByteArray& scratch)
{
    const size_t n = libdeflate_deflate_compress(c, in.data(), static_cast<size_t>(in.size()), scratch.data(),
                                                 static_cast<size_t>(scratch.size()));
    return QByteArray(scratch.constData(), static_cast<qsizetype>(n));
}

} // namespace

std::optional<QByteArray> deflateInChunks(QByteArrayView plain, int level, qsizetype chunkSize, bool last)
{
    chunkSize = std::max<qsizetype>(chunkSize, 1);
    const qsizetype count = std::max<qsizetype>((plain.size() + chunkSize - 1) / chunkSize, 1);
    std::vector<QByteArray> pieces(static_cast<size_t>(count));
    std::atomic<qsizetype> next{0};
    std::atomic<bool> failed{false};

    auto work = [&] {
        Compressor c(libdeflate_alloc_compressor(level));
        z_stream inf{};
        if (!c || inflateInit2(&inf, -MAX_WBITS) != Z_OK) {
            failed = true;
            return;
        }
        const qsizetype longest = std::min(chunkSize, plain.size());
        QByteArray out(static_cast<qsizetype>(libdeflate_deflate_compress_bound(c.get(), static_cast<size_t>(longest))),
                       Qt::Uninitialized);
        std::vector<unsigned char> scratch(64 * 1024);
        for (qsizetype i; !failed && (i = next++) < count;) {
            QByteArrayView in = plain.sliced(i * chunkSize, std::min(chunkSize, plain.size() - i * chunkSize));
            QByteArray& piece = pieces[static_cast<size_t>(i)];
            piece = compress(c.get(), in, out);
            if (piece.isEmpty() || ((i + 1 < count || !last) && !openUp(piece, inf, scratch)))
                failed = true;
        }
        inflateEnd(&inf);
    };

    const unsigned threads = std::min<unsigned>({std::max(std::thread::hardware_concurrency(), 1u), kMaxThreads,
                                                 static_cast<unsigned>(std::min<qsizetype>(count, kMaxThreads))});
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers)
        t.join();
    if (failed)
        return std::nullopt;

    qsizetype total = 0;
    for (const QByteArray& p : pieces)
        total += p.size();
    QByteArray joined;
    joined.reserve(total);
    for (QByteArray& p : pieces) {
        joined.append(p);
        p = QByteArray(); // each piece goes as soon as it is copied: peak stays near one output
    }
    return joined;
}

} // namespace orv

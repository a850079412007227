#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace orv {

// Deflates `plain` into one raw deflate stream, cutting it into pieces of
// `chunkSize` bytes that are compressed independently on every core and
// joined in order. Whatever the cut, the result is a single standard stream
// (one final block, at its end) that any inflater reads back byte for byte.
// Answers nothing when the compressor cannot be set up.
//
// With `last` false the stream is left open instead, ending at a byte
// boundary with no final block, so that the deflate of the data that
// follows can be appended; kFinalEmptyBlock ends such a stream.
std::optional<QByteArray> deflateInChunks(QByteArrayView plain, int level, qsizetype chunkSize, bool last = true);

// An empty final block with fixed codes: ends an open stream.
inline constexpr char kFinalEmptyBlock[] = {'\x03', '\x00'};

} // namespace orv

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
std::optional<QByteArray> deflateInChunks(QByteArrayView plain, int level, qsizetype chunkSize);

} // namespace orv

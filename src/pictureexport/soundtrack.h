#pragma once

#include "filename.h"

#include <QString>
#include <memory>

struct AVFormatContext;

namespace orv::render {

// The sound of a video export: the first audio stream of another file (the
// clip the movie came from, say), from a moment of it on, cut to the
// movie's length. It is copied as it is where the container takes it (AAC
// in MP4, Opus or Vorbis in WebM), else encoded to AAC or Opus.
class Soundtrack
{
public:
    Soundtrack();
    ~Soundtrack();
    Soundtrack(const Soundtrack&) = delete;
    Soundtrack& operator=(const Soundtrack&) = delete;

    // Adds the sound's stream to `output`, whose header is not written yet.
    // False, with `error` set in Spanish, when the file holds no sound that
    // can be read or written.
    bool open(const FileName& file, double fromSeconds, qint64 lengthMs, AVFormatContext* output, bool webm,
              QString& error);
    // Writes the sound up to `untilMs` of the movie, so that it interleaves
    // with the pictures written so far.
    bool writeUntil(qint64 untilMs, QString& error);
    // Writes the rest, to the movie's end.
    bool finish(QString& error);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace orv::render

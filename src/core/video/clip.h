#pragma once

#include "filename.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

namespace orv::video {

// A video clip or animated picture read through FFmpeg's libraries: its
// first video stream, frames in presentation order, each handed over as
// 8-bit grey (the picture's luma) scaled to the size asked for.
class Clip
{
public:
    enum class Fault { None, NotVideo, NoVideo };

    // Opens the file by its name's bytes (see nativename.h); only a regular
    // file is opened. Nothing, with `failure` set, when it is no clip the
    // libraries read or holds no video stream.
    static std::unique_ptr<Clip> open(const FileName& path, Fault& failure);
    ~Clip();
    Clip(const Clip&) = delete;
    Clip& operator=(const Clip&) = delete;

    // The picture's size in pixels as it is displayed (the pixel aspect
    // ratio applied to the width).
    QSize visibleSize() const;
    // The stream's own frame rate (0 when it does not say).
    double fps() const;

    // The presentation time, in seconds, of every frame, in order, read from
    // the container without decoding; the decoding then gives the same
    // frames in the same order. `end` receives when the last frame stops
    // showing, when the container says (else -1).
    std::vector<double> times(double& end);

    // Decodes frames from the start, in order: the next frame's time and its
    // grey pixels, `size` scaled, row after row. False at the end or when
    // nothing more can be decoded.
    bool next(QSize size, double& time, QByteArray& grey);

private:
    struct State;
    explicit Clip(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace orv::video

#pragma once

namespace orv {

// The playback state of the one movie the Player holds: which frame is on
// screen, whether the frame clock runs, repeat, and the pause in use. It owns
// no timer and no widget; the window runs its clock at interval() while
// playing() is true, calls tick() on every beat and shows cuadroActual()
// after each call.
//
// Invariants: 0 <= cuadroActual() <= lastFrame(); playing() implies
// canPlay(); with no movie open the frame is 0 and the clock is off.
class Playback
{
public:
    // The timer takes whole milliseconds: the pause rounded half to even.
    // Pauses that round below 1 ms (0, negative, not a number) play as fast as
    // the clock allows; huge ones are capped at the timer's largest interval.
    static int intervalFor(double velocidad);
    static constexpr int kMinInterval = 1;
    static constexpr int kMaxInterval = 2147483647;

    // A movie has just been read: frame 0, stopped, pause in use = its pause.
    // Repeat is a user choice and survives.
    void open(int numCuadros, double pausa);
    // Back to no movie: clock off, frame 0. The pause in use is kept.
    void close();

    bool open() const { return m_numCuadros > 0; }
    int numCuadros() const { return m_numCuadros; }
    int cuadroActual() const { return m_cuadroActual; }
    int lastFrame() const { return m_numCuadros > 0 ? m_numCuadros - 1 : 0; }
    // A one-frame movie can be looked at but not played or stepped.
    bool canPlay() const { return m_numCuadros > 1; }
    bool playing() const { return m_playing; }

    // Play/stop toggle. Starting needs a playable movie; stopping always works.
    // The frame on screen does not change.
    void togglePlayback();
    // One beat of the frame clock. At the last frame: loop to frame 0 with
    // repeat on, otherwise stop and go back to frame 0. Ignored while stopped.
    void tick();
    // Frame 0; playback goes on if it was running.
    void rewind();
    // One frame either way; false (and nothing changes) at either end.
    bool stepForward();
    bool retrocede();
    // The slider was moved: show that frame (clamped to the movie).
    void irA(int frame);

    bool repeat() const { return m_repeat; }
    void setRepetir(bool repeat) { m_repeat = repeat; }

    double velocidad() const { return m_velocidad; }
    void setVelocidad(double velocidad) { m_velocidad = velocidad; }
    int interval() const { return intervalFor(m_velocidad); }

private:
    int m_numCuadros = 0;
    int m_cuadroActual = 0;
    bool m_playing = false;
    bool m_repeat = false;
    double m_velocidad = 0;
};

} // namespace orv

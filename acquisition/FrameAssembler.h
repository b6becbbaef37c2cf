#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <cstdint>

namespace acquisition {

// Reception states. Complete lasts from a frame's end code until its decoding returns.
enum class RxState : std::uint8_t { Waiting = 0, Receiving = 1, Complete = 2 };

// Cuts frames out of the received byte stream: code 4 opens a frame, code 27 closes it.
// The stream is handled byte by byte, whatever the chunking: a start inside a frame
// abandons the partial one (a board reset), and text after an end is searched for the
// next start.
class FrameAssembler
{
public:
    static constexpr char kStart = 4;
    static constexpr char kEnd = 27;
    // Far above any real frame (about 390 bytes); past it a frame is abandoned like a timeout,
    // so a start code followed by endless text cannot grow memory without bound.
    static constexpr qsizetype kMaxFrame = 64 * 1024;
    // The board sends a frame (about 390 bytes, 34 ms at 115200 bit/s) in one go: a frame
    // whose end has not come this long after a start is given up.
    static constexpr std::chrono::milliseconds kTimeout{150};

    // What the window shows and does as frames go by.
    class Sink
    {
    public:
        virtual void rxStart() = 0;                      // "Rx Start", arm the timeout
        virtual void rxStop() = 0;                       // "Rx Stop", disarm it
        virtual void rxOverflow() = 0;                   // abandoned as by a timeout
        virtual void bufferShown(const QByteArray&) = 0; // the frame being received
        virtual void frame(const QByteArray& text) = 0;  // a complete frame, for the decoder

    protected:
        ~Sink() = default;
    };

    void Reception(QByteArrayView chunk, Sink& sink);
    void timeout();

    RxState rxState() const { return rxState_; }
    // The frame being received; after a frame, its text as the decoder got it.
    const QByteArray& rxBuffer() const { return rxBuffer_; }

private:
    RxState rxState_ = RxState::Waiting;
    QByteArray rxBuffer_;
};

} // namespace acquisition

#pragma once

// What the window must make of a byte stream, worked out byte by byte and independently of
// how the stream was cut into chunks: the fuzzer compares the real receive path with it.
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace fuzzing {

class WireModel
{
public:
    enum class Status { Unchanged, Start, Ok, TimeOut };

    explicit WireModel(qsizetype maxFrame) : maxFrame_(maxFrame) {}

    // Starts from the window as it is: waiting, the diagnostic label showing `shown`.
    void reset(const QByteArray& shown)
    {
        receiving_ = false;
        buffer_.clear();
        shown_ = shown;
        frames_ = 0;
        status_ = Status::Unchanged;
    }

    void chunk(QByteArrayView bytes)
    {
        for (const char c : bytes)
            byte(c);
        // The label follows the partial frame when the chunk ended inside its text.
        if (receiving_ && !bytes.isEmpty() && bytes.back() != kStart && bytes.back() != kEnd)
            shown_ = buffer_;
    }

    void timeout()
    {
        receiving_ = false;
        status_ = Status::TimeOut;
    }

    bool receiving() const { return receiving_; }
    // Meaningful only while receiving.
    const QByteArray& buffer() const { return buffer_; }
    const QByteArray& shown() const { return shown_; }
    // Complete frames since reset(), and the text of the last one.
    std::uint64_t frames() const { return frames_; }
    const QByteArray& lastFrame() const { return lastFrame_; }
    Status status() const { return status_; }

private:
    static constexpr char kStart = 4;
    static constexpr char kEnd = 27;

    void byte(char c)
    {
        if (!receiving_) {
            if (c == kStart) start();
            return;
        }
        if (c == kStart) {
            start();
        } else if (c == kEnd) {
            shown_ = buffer_ + kEnd;
            // The character before the end code is the board's terminator, not text.
            lastFrame_ = buffer_.first(std::max<qsizetype>(0, buffer_.size() - 1));
            ++frames_;
            receiving_ = false;
            status_ = Status::Ok;
        } else if (buffer_.size() == maxFrame_) {
            receiving_ = false; // endless text: given up
            status_ = Status::TimeOut;
        } else {
            buffer_.append(c);
        }
    }

    void start()
    {
        receiving_ = true;
        buffer_.clear();
        status_ = Status::Start;
    }

    qsizetype maxFrame_;
    bool receiving_ = false;
    QByteArray buffer_;
    QByteArray shown_;
    QByteArray lastFrame_;
    std::uint64_t frames_ = 0;
    Status status_ = Status::Unchanged;
};

} // namespace fuzzing

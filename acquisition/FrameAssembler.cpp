#include "acquisition/FrameAssembler.h"

namespace acquisition {

void FrameAssembler::Reception(QByteArrayView chunk, Sink& sink)
{
    bool appended = false;
    while (!chunk.isEmpty()) {
        if (rxState_ == RxState::Waiting) {
            const qsizetype start = chunk.indexOf(kStart);
            if (start < 0) break; // text outside a frame is noise
            chunk = chunk.sliced(start + 1);
            rxBuffer_.clear();
            rxState_ = RxState::Receiving;
            appended = false;
            sink.rxStart();
            continue;
        }
        // Receiving: take text up to the next delimiter of either kind.
        qsizetype stop = 0;
        while (stop < chunk.size() && chunk[stop] != kStart && chunk[stop] != kEnd)
            ++stop;
        if (rxBuffer_.size() + stop > kMaxFrame) {
            // Endless text after a start: give the frame up as a timeout would and wait
            // for the next start, discarding what came in.
            rxBuffer_.clear();
            rxState_ = RxState::Waiting;
            appended = false;
            chunk = chunk.sliced(stop);
            sink.rxOverflow();
            continue;
        }
        if (stop == chunk.size()) {
            rxBuffer_.append(chunk);
            appended = true;
            break;
        }
        if (chunk[stop] == kStart) {
            // A new frame begins before this one ended: the board restarted, drop the partial.
            rxBuffer_.clear();
            appended = false;
            chunk = chunk.sliced(stop + 1);
            sink.rxStart();
            continue;
        }
        rxBuffer_.append(chunk.first(stop + 1));
        chunk = chunk.sliced(stop + 1);
        appended = false;
        sink.bufferShown(rxBuffer_);
        sink.rxStop();
        rxState_ = RxState::Complete;
        // The frame ends with one character of its own before the end code; neither is text.
        rxBuffer_.chop(2);
        sink.frame(rxBuffer_);
        rxState_ = RxState::Waiting; // the decoder has returned
    }
    if (appended && rxState_ == RxState::Receiving) sink.bufferShown(rxBuffer_);
}

void FrameAssembler::timeout()
{
    rxState_ = RxState::Waiting;
}

} // namespace acquisition

#include "acquisition/FrameDecoder.h"

namespace acquisition {

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void samples(QByteArrayView frame, int first, Samples& out)
{
    for (int i = 0; i < kSampleCount; ++i)
        out[i] = std::uint8_t(hexPair(field(frame, first + 2 * i, 2)));
}
} // namespace

QByteArrayView field(QByteArrayView frame, int position, int length)
{
    const qsizetype start = position - 1;
    if (start >= frame.size()) return {};
    return frame.sliced(start, std::min<qsizetype>(length, frame.size() - start));
}

int hexPair(QByteArrayView pair)
{
    int value = 0;
    for (const char c : pair) {
        const int d = hexDigit(c);
        if (d < 0) break;
        value = value * 16 + d;
    }
    return value;
}

DecodedFrame decodeFrame(QByteArrayView frame)
{
    DecodedFrame d;
    d.gain1 = field(frame, 11, 5).toByteArray();
    d.ac1 = field(frame, 16, 2) == QByteArrayView("ac");
    samples(frame, 19, d.ch1);
    d.gain2 = field(frame, 191, 5).toByteArray();
    d.ac2 = field(frame, 196, 2) == QByteArrayView("ac");
    samples(frame, 199, d.ch2);
    d.timeField = field(frame, 370, 4).toByteArray();
    d.trigText = field(frame, 377, 10).toByteArray();
    d.trigLevel = hexPair(field(frame, 387, 2));
    return d;
}

QString timeBase(const DecodedFrame& d)
{
    return QString::fromLatin1(d.timeField) + QLatin1Char('s');
}

QString gainCaption(QByteArrayView gain)
{
    return QString::fromLatin1(gain) + QStringLiteral("/div");
}

QString timeBaseCaption(const DecodedFrame& d)
{
    return timeBase(d) + QStringLiteral("/div");
}

} // namespace acquisition

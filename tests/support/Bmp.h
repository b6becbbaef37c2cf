#pragma once

// Decodes a 24- or 32-bit BMP file by its headers and rows, independently of Qt's reader.
#include <QByteArray>
#include <QRgb>
#include <cstdlib>
#include <optional>
#include <vector>

namespace testing_support {

struct Bitmap
{
    int width = 0;
    int height = 0;
    std::vector<QRgb> pixels; // row by row from the top, opaque
};

inline std::optional<Bitmap> decodeBmp(const QByteArray& file)
{
    const auto byte = [&file](qsizetype at) { return quint32(quint8(file.at(at))); };
    const auto u16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
    const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
    if (file.size() < 54 || !file.startsWith("BM") || u32(2) != quint32(file.size())) return std::nullopt;
    const quint32 pixelsAt = u32(10);
    const int width = qint32(u32(18));
    const int signedHeight = qint32(u32(22));
    const int bits = int(u16(28));
    const quint32 compression = u32(30);
    const bool bitFields = compression == 3 && bits == 32;
    if (u32(14) < 40 || u16(26) != 1 || width <= 0 || signedHeight == 0 || (bits != 24 && bits != 32) ||
        (compression != 0 && !bitFields))
        return std::nullopt;
    const quint32 red = bitFields ? u32(54) : 0xff0000;
    const quint32 green = bitFields ? u32(58) : 0xff00;
    const quint32 blue = bitFields ? u32(62) : 0xff;
    const auto channel = [](quint32 value, quint32 mask) {
        if (mask == 0) return 0;
        int shift = 0;
        while (!(mask & 1u << shift))
            ++shift;
        return int((value & mask) >> shift);
    };

    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = std::abs(signedHeight);
    const qsizetype stride = ((qsizetype(width) * bits + 31) / 32) * 4;
    if (qsizetype(pixelsAt) + stride * bitmap.height > file.size()) return std::nullopt;
    for (int y = 0; y < bitmap.height; ++y) {
        // Rows are stored bottom-up unless the height is negative.
        const qsizetype row = pixelsAt + stride * (signedHeight > 0 ? bitmap.height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const qsizetype at = row + qsizetype(x) * bits / 8;
            const quint32 value = bits == 24 ? byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 : u32(at);
            bitmap.pixels.push_back(qRgb(channel(value, red), channel(value, green), channel(value, blue)));
        }
    }
    return bitmap;
}

} // namespace testing_support

#include "TImageHeader.h"

namespace {

quint32 bigEndian32(const QByteArray &b, qsizetype at)
{
    return quint32(uchar(b.at(at))) << 24 | quint32(uchar(b.at(at + 1))) << 16 | quint32(uchar(b.at(at + 2))) << 8 |
           quint32(uchar(b.at(at + 3)));
}

int bigEndian16(const QByteArray &b, qsizetype at)
{
    return int(uchar(b.at(at))) << 8 | int(uchar(b.at(at + 1)));
}

// The CRC-32 of PNG chunks (ISO 3309, reflected polynomial 0xEDB88320).
quint32 crc32(const char *data, qsizetype size)
{
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= uchar(data[i]);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1u ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

// Colour type and the bit depths it allows.
bool validPngDepth(int colourType, int depth)
{
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

bool isStartOfFrame(int marker)
{
    // C0-CF except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

std::optional<TImageHeader> TImageHeader::Read(const QByteArray &bytes)
{
    if (bytes.startsWith(QByteArray::fromHex("89504e470d0a1a0a")))
        return ReadPng(bytes);
    if (bytes.startsWith(QByteArray::fromHex("ffd8ff")))
        return ReadJpeg(bytes);
    return std::nullopt;
}

std::optional<TImageHeader> TImageHeader::ReadPng(const QByteArray &bytes)
{
    // Signature (8), IHDR length (4), type (4), data (13), CRC (4).
    if (bytes.size() < 33 || bigEndian32(bytes, 8) != 13 || bytes.mid(12, 4) != "IHDR")
        return std::nullopt;
    if (crc32(bytes.constData() + 12, 17) != bigEndian32(bytes, 29))
        return std::nullopt;
    const quint32 width = bigEndian32(bytes, 16), height = bigEndian32(bytes, 20);
    const int depth = uchar(bytes.at(24)), colourType = uchar(bytes.at(25));
    const int compression = uchar(bytes.at(26)), filter = uchar(bytes.at(27)), interlace = uchar(bytes.at(28));
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || !validPngDepth(colourType, depth) ||
        compression != 0 || filter != 0 || interlace > 1)
        return std::nullopt;
    return TImageHeader{QStringLiteral("PNG"), int(width), int(height)};
}

std::optional<TImageHeader> TImageHeader::ReadJpeg(const QByteArray &bytes)
{
    qsizetype at = 2;
    while (at + 1 < bytes.size()) {
        if (uchar(bytes.at(at)) != 0xFF)
            return std::nullopt;
        while (at + 1 < bytes.size() && uchar(bytes.at(at + 1)) == 0xFF) // fill bytes
            ++at;
        if (at + 1 >= bytes.size())
            return std::nullopt;
        const int marker = uchar(bytes.at(at + 1));
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // no length follows
            continue;
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) // image data before any frame
            return std::nullopt;
        if (at + 2 > bytes.size())
            return std::nullopt;
        const int length = bigEndian16(bytes, at);
        if (length < 2 || at + length > bytes.size())
            return std::nullopt;
        if (isStartOfFrame(marker)) {
            // Length, precision, height, width, components.
            if (length < 8)
                return std::nullopt;
            const int precision = uchar(bytes.at(at + 2));
            const int height = bigEndian16(bytes, at + 3), width = bigEndian16(bytes, at + 5);
            const int components = uchar(bytes.at(at + 7));
            if (precision < 2 || precision > 16 || width == 0 || height == 0 || components < 1 || components > 4 ||
                length != 8 + 3 * components)
                return std::nullopt;
            return TImageHeader{QStringLiteral("JPEG"), width, height};
        }
        at += length;
    }
    return std::nullopt;
}

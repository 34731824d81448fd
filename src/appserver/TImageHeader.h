#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the header of a PNG or JPEG file says, read without decoding the picture (the server links no
// image library). PNG: the signature, then an IHDR chunk of 13 bytes whose CRC matches, with a
// non-zero size and a valid bit depth and colour type. JPEG: the SOI marker, then marker segments up to
// the first start-of-frame, which gives the size. Anything else is not an image.
class TImageHeader
{
public:
    QString Format; // "PNG" or "JPEG"
    int Width = 0;
    int Height = 0;

    static std::optional<TImageHeader> Read(const QByteArray &bytes);

private:
    static std::optional<TImageHeader> ReadPng(const QByteArray &bytes);
    static std::optional<TImageHeader> ReadJpeg(const QByteArray &bytes);
};

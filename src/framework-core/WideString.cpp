#include "WideString.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
constexpr size_t kPrefix = sizeof(uint32_t);
}

BSTR SysAllocStringLen(const char16_t *text, uint32_t length)
{
    const size_t bytes = size_t(length) * sizeof(char16_t);
    auto *block = static_cast<char *>(std::malloc(kPrefix + bytes + sizeof(char16_t)));
    if (!block)
        throw std::bad_alloc();
    const uint32_t byteLength = uint32_t(bytes);
    std::memcpy(block, &byteLength, kPrefix);
    auto *chars = reinterpret_cast<char16_t *>(block + kPrefix);
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = u'\0';
    return chars;
}

BSTR SysAllocString(const char16_t *text)
{
    if (!text)
        return nullptr;
    uint32_t n = 0;
    while (text[n])
        ++n;
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(reinterpret_cast<char *>(text) - kPrefix);
}

uint32_t SysStringByteLen(BSTR text)
{
    if (!text)
        return 0;
    uint32_t byteLength;
    std::memcpy(&byteLength, reinterpret_cast<char *>(text) - kPrefix, kPrefix);
    return byteLength;
}

uint32_t SysStringLen(BSTR text)
{
    return SysStringByteLen(text) / sizeof(char16_t);
}

QString BstrToQString(BSTR text)
{
    if (!text)
        return QString();
    return QString::fromUtf16(text, qsizetype(SysStringLen(text)));
}

BSTR QStringToBstr(const QString &text)
{
    return SysAllocStringLen(reinterpret_cast<const char16_t *>(text.utf16()), uint32_t(text.size()));
}

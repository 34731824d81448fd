#pragma once

#include <QString>
#include <cstdint>

// COM wide strings. A BSTR points at the first UTF-16 character; the 32-bit length in bytes sits
// immediately before it and a null character always follows the last one. Only the three functions
// below allocate and free them, so a BSTR made on one side of the module boundary may be freed on
// the other.
using BSTR = char16_t *;

BSTR SysAllocStringLen(const char16_t *text, uint32_t length);
BSTR SysAllocString(const char16_t *text);
void SysFreeString(BSTR text);
// Length in characters; 0 for a null BSTR.
uint32_t SysStringLen(BSTR text);
// Length in bytes, as stored in the prefix.
uint32_t SysStringByteLen(BSTR text);

// A null BSTR stands for the empty string.
QString BstrToQString(BSTR text);
BSTR QStringToBstr(const QString &text);

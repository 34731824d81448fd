#include "TDateTimeText.h"

#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Digits [from, from + count) of t, or -1.
int digitsAt(const char *t, int from, int count)
{
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return -1;
        v = v * 10 + (t[i] - '0');
    }
    return v;
}

// Rows repeat the same few moments (process dates, validity dates), and building a local-time
// QDateTime costs a zone look-up: the last moments read are kept by their text, per thread.
struct SRecentMoment
{
    char Text[24];
    qsizetype Length = 0;
    QDateTime Value;
};

constexpr size_t kRecentSlots = 64;

SRecentMoment &recentSlot(const char *t, qsizetype length)
{
    thread_local SRecentMoment recent[kRecentSlots];
    size_t h = 2166136261u;
    for (qsizetype i = 0; i < length; ++i)
        h = (h ^ uchar(t[i])) * 16777619u;
    return recent[h % kRecentSlots];
}

} // namespace

bool TDateTimeText::ParseFixed(const char *t, qsizetype length, QDateTime &out)
{
    if (length != 10 && length != 16 && length != 19 && (length < 21 || length > 23))
        return false;
    SRecentMoment &slot = recentSlot(t, length);
    if (slot.Length == length && std::memcmp(slot.Text, t, size_t(length)) == 0) {
        out = slot.Value;
        return true;
    }
    const int y = digitsAt(t, 0, 4), mo = digitsAt(t, 5, 2), d = digitsAt(t, 8, 2);
    if (y < 0 || mo < 0 || d < 0 || t[4] != '-' || t[7] != '-')
        return false;
    int h = 0, mi = 0, sec = 0, ms = 0;
    if (length > 10) {
        if ((t[10] != ' ' && t[10] != 'T') || t[13] != ':' || (h = digitsAt(t, 11, 2)) < 0 ||
            (mi = digitsAt(t, 14, 2)) < 0)
            return false;
        if (length > 16) {
            if (t[16] != ':' || (sec = digitsAt(t, 17, 2)) < 0)
                return false;
            if (length > 19) {
                const int n = int(length) - 20;
                if (t[19] != '.' || (ms = digitsAt(t, 20, n)) < 0)
                    return false;
                for (int i = n; i < 3; ++i)
                    ms *= 10;
            }
        }
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, sec, ms);
    if (!date.isValid() || !time.isValid())
        return false;
    out = QDateTime(date, time);
    std::memcpy(slot.Text, t, size_t(length));
    slot.Length = length;
    slot.Value = out;
    return true;
}

QDateTime TDateTimeText::Parse(QByteArrayView text)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    QDateTime d;
    if (ParseFixed(begin, end - begin, d))
        return d;
    return QDateTime::fromString(QString::fromLatin1(begin, end - begin), Qt::ISODateWithMs);
}

QDateTime TDateTimeText::Parse(QStringView text)
{
    text = text.trimmed();
    // The fixed forms are plain ASCII and at most 23 characters long.
    char bytes[24];
    bool ascii = text.size() <= 23;
    for (qsizetype i = 0; ascii && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        ascii = c < 0x80;
        bytes[i] = char(c);
    }
    QDateTime d;
    if (ascii && ParseFixed(bytes, text.size(), d))
        return d;
    return QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
}

#include "TReportFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QMutex>

namespace {

bool loadTahoma()
{
    static const bool loaded = [] {
        bool any = false;
        for (const char *file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
            const QString path = QString::fromLatin1(file);
            if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
                any = true;
        }
        return any || QFontDatabase::hasFamily(QStringLiteral("Tahoma"));
    }();
    return loaded;
}

} // namespace

QString TReportFont::Family(const QString &requested)
{
    if (requested.compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0 || requested.isEmpty())
        return loadTahoma() ? QStringLiteral("Tahoma") : QStringLiteral("DejaVu Sans");
    return QFontDatabase::hasFamily(requested) ? requested : QStringLiteral("DejaVu Sans");
}

QFont TReportFont::Make(const QString &family, double pointSize, bool bold, bool italic, bool underline)
{
    QFont font(Family(family));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    // Any letter spacing set keeps the shaper from joining "fi" into one glyph. Qt stores spacing in
    // 1/64 pixel, so a tiny absolute spacing rounds to none; 100 % is "set" and leaves advances as they are.
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

#include "TPreparedPage.h"

#include <QDataStream>

QDataStream &operator<<(QDataStream &out, const TPrimitive &p)
{
    out << quint8(p.kind) << p.rect << p.fill << p.color << p.frameSides << p.frameWidth;
    if (p.kind == TPrimitive::Text)
        out << p.lines << p.fontFamily << p.fontSize << p.bold << p.italic << p.underline << p.hAlign << p.vAlign
            << p.lineHeight << p.padding << p.totalPagesMacro;
    if (p.kind == TPrimitive::Drawing)
        out << p.drawing;
    if (p.kind == TPrimitive::Image) {
        out << p.imageIndex;
        if (p.imageIndex < 0)
            out << p.image;
    }
    return out;
}

QDataStream &operator>>(QDataStream &in, TPrimitive &p)
{
    quint8 kind = 0;
    in >> kind >> p.rect >> p.fill >> p.color >> p.frameSides >> p.frameWidth;
    p.kind = TPrimitive::Kind(kind);
    if (p.kind == TPrimitive::Text)
        in >> p.lines >> p.fontFamily >> p.fontSize >> p.bold >> p.italic >> p.underline >> p.hAlign >> p.vAlign >>
            p.lineHeight >> p.padding >> p.totalPagesMacro;
    if (p.kind == TPrimitive::Drawing)
        in >> p.drawing;
    if (p.kind == TPrimitive::Image) {
        in >> p.imageIndex;
        if (p.imageIndex < 0)
            in >> p.image;
    }
    return in;
}

QDataStream &operator<<(QDataStream &out, const TPreparedPage &page)
{
    out << page.paperSize << page.landscape << quint32(page.items.size());
    for (const TPrimitive &p : page.items)
        out << p;
    out << quint32(page.outline.size());
    for (const auto &entry : page.outline)
        out << entry.text << qint32(entry.level) << entry.y;
    return out;
}

QDataStream &operator>>(QDataStream &in, TPreparedPage &page)
{
    quint32 count = 0;
    in >> page.paperSize >> page.landscape >> count;
    page.items.clear();
    page.items.reserve(qMin<quint32>(count, 100000));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        TPrimitive p;
        in >> p;
        page.items.push_back(std::move(p));
    }
    in >> count;
    page.outline.clear();
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        TPreparedPage::OutlineEntry entry;
        qint32 level = 0;
        in >> entry.text >> level >> entry.y;
        entry.level = level;
        page.outline.push_back(entry);
    }
    return in;
}

#include "TPreparedReport.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <stdexcept>

namespace {
const quint32 kMagic = 0x5a525031; // "ZRP1"
}

TPreparedReport::TPreparedReport() = default;
TPreparedReport::~TPreparedReport() = default;

void TPreparedReport::Clear()
{
    m_index.clear();
    m_spool.reset();
    m_images.clear();
    m_imageByKey.clear();
    m_lastRead.reset();
    m_lastReadIndex = -1;
}

void TPreparedReport::AddPage(TPreparedPage page)
{
    Entry entry;
    if (int(m_index.size()) < MemoryPages) {
        entry.memory = std::make_shared<const TPreparedPage>(std::move(page));
    } else {
        if (!m_spool) {
            m_spool = std::make_unique<QTemporaryFile>();
            if (!m_spool->open())
                throw std::runtime_error("No fue posible crear el archivo temporal de las páginas del reporte.");
        }
        for (TPrimitive &item : page.items) {
            if (item.kind != TPrimitive::Image || item.image.isNull())
                continue;
            auto known = m_imageByKey.find(item.image.cacheKey());
            if (known == m_imageByKey.end()) {
                known = m_imageByKey.insert(item.image.cacheKey(), qint32(m_images.size()));
                m_images.push_back(item.image);
            }
            item.imageIndex = *known;
            item.image = QImage();
        }
        entry.offset = m_spool->size();
        m_spool->seek(entry.offset);
        QDataStream out(m_spool.get());
        out << page;
        if (out.status() != QDataStream::Ok)
            throw std::runtime_error("No fue posible escribir las páginas del reporte en el archivo temporal.");
    }
    m_index.push_back(std::move(entry));
}

std::shared_ptr<const TPreparedPage> TPreparedReport::Page(int index) const
{
    const Entry &entry = m_index.at(size_t(index));
    if (entry.memory)
        return entry.memory;
    if (m_lastReadIndex == index)
        return m_lastRead;
    m_spool->flush();
    m_spool->seek(entry.offset);
    QDataStream in(m_spool.get());
    auto page = std::make_shared<TPreparedPage>();
    in >> *page;
    if (in.status() != QDataStream::Ok)
        throw std::runtime_error("No fue posible leer una página del reporte del archivo temporal.");
    for (TPrimitive &item : page->items)
        if (item.kind == TPrimitive::Image && item.imageIndex >= 0 && size_t(item.imageIndex) < m_images.size()) {
            item.image = m_images[size_t(item.imageIndex)];
            item.imageIndex = -1;
        }
    m_lastRead = page;
    m_lastReadIndex = index;
    return page;
}

bool TPreparedReport::Save(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << ReportName << quint32(m_index.size());
    for (int i = 0; i < PageCount(); ++i)
        out << *Page(i);
    return out.status() == QDataStream::Ok && file.commit();
}

bool TPreparedReport::Load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, count = 0;
    QString name;
    in >> magic >> name >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        return false;
    Clear();
    for (quint32 i = 0; i < count; ++i) {
        TPreparedPage page;
        in >> page;
        if (in.status() != QDataStream::Ok) {
            Clear();
            return false;
        }
        AddPage(std::move(page));
    }
    ReportName = name;
    return true;
}

#pragma once

#include "TPreparedPage.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

class QTemporaryFile;

// The pages a report run produced. The first pages stay in memory; past MemoryPages they are written
// to a temporary file and read back on demand, so a report of a thousand pages does not hold every
// page at once. Pages are immutable once added.
class TPreparedReport
{
public:
    TPreparedReport();
    ~TPreparedReport();
    TPreparedReport(const TPreparedReport &) = delete;
    TPreparedReport &operator=(const TPreparedReport &) = delete;

    static constexpr int MemoryPages = 40;

    QString ReportName;
    void Clear();
    void AddPage(TPreparedPage page);
    int PageCount() const { return int(m_index.size()); }
    // Raises std::runtime_error when the spool file cannot be read back.
    std::shared_ptr<const TPreparedPage> Page(int index) const;
    bool Spooled() const { return m_spool != nullptr; }

    // A prepared report saved to a file and opened again later (".zrp"). Load returns false and
    // leaves the pages empty when the file is not one of ours or is damaged.
    bool Save(const QString &fileName) const;
    bool Load(const QString &fileName);

private:
    struct Entry
    {
        std::shared_ptr<const TPreparedPage> memory; // null when spooled
        qint64 offset = -1;
    };
    std::vector<Entry> m_index;
    std::unique_ptr<QTemporaryFile> m_spool;
    // Images of spooled pages, each kept once (a logo repeats on every page).
    std::vector<QImage> m_images;
    QHash<qint64, qint32> m_imageByKey;
    mutable std::shared_ptr<const TPreparedPage> m_lastRead;
    mutable int m_lastReadIndex = -1;
};

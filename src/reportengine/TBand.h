#pragma once

#include "TReportObjects.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// A band of a report page. Heights in millimetres.
class TBand
{
public:
    enum Kind {
        PageHeader,
        PageFooter,
        ReportTitle,
        ReportSummary,
        Header,
        Footer,
        MasterData,
        DetailData,
        GroupHeader,
        GroupFooter,
        Child
    };
    TBand(Kind kind, const QString &name) : BandKind(kind), Name(name) {}
    ~TBand() = default;

    const Kind BandKind;
    const QString Name;
    double Height = 5;
    bool Visible = true;
    // Grows to its lowest object after stretching.
    bool Stretched = false;
    // Starts a new page before the band (data bands and group headers not on their first print).
    bool StartNewPage = false;
    // Headers and group headers: printed again at the top of every new page.
    bool ReprintOnNewPage = false;
    // Printed after this band when the band is visible (or PrintChildIfInvisible); may be changed by
    // the band's OnBeforePrint.
    TBand *ChildBand = nullptr;
    bool PrintChildIfInvisible = false;

    // Group headers: the expression whose change starts a new group.
    QString Condition;
    // Data bands: the user name of the report dataset walked, or RowCount rows of no data.
    QString DataSet;
    int RowCount = 0;

    // Text of the outline entry the band opens when printed (expressions allowed), at OutlineLevel.
    QString OutlineText;
    int OutlineLevel = 0;

    std::vector<std::unique_ptr<TReportView>> Objects;
    std::function<void(TBand &)> OnBeforePrint;

    template <typename T> T *Add(const QString &name)
    {
        auto view = std::make_unique<T>(name);
        T *raw = view.get();
        Objects.push_back(std::move(view));
        return raw;
    }
    TReportView *FindObject(const QString &name) const
    {
        for (const auto &o : Objects)
            if (o->Name == name)
                return o.get();
        return nullptr;
    }
};

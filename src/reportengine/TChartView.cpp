#include "TChartView.h"

#include <QDataStream>
#include <QIODevice>

namespace {
const quint32 kChartMagic = 0x43485431; // "CHT1"
}

TChartSpec TChartSpec::From(const TChartView &view, const TChartData &data)
{
    TChartSpec spec;
    spec.Title = view.Title;
    spec.TitleBold = view.TitleBold;
    spec.TitleFontSize = view.TitleFontSize;
    spec.LegendBelow = view.LegendBelow;
    spec.CategoryAxisVisible = view.CategoryAxisVisible;
    spec.CategoryLineWidth = view.CategoryLineWidth;
    spec.LabelFontSize = view.LabelFontSize;
    spec.SizeMm = QSizeF(view.Width, view.Height);
    spec.SeriesList = view.SeriesList;
    spec.Data = data;
    return spec;
}

QByteArray TChartSpec::Encode() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kChartMagic << Title << TitleBold << TitleFontSize << LegendBelow << CategoryAxisVisible
        << qint32(CategoryLineWidth) << LabelFontSize << SizeMm << quint32(SeriesList.size());
    for (const TChartView::Series &s : SeriesList)
        out << s.Title << s.ValueField << s.Color << s.Line << s.ShowMarks;
    out << Data.Categories << quint32(Data.Values.size());
    for (const QList<double> &values : Data.Values)
        out << values;
    return bytes;
}

TChartSpec TChartSpec::Decode(const QByteArray &bytes)
{
    TChartSpec spec;
    QDataStream in(bytes);
    quint32 magic = 0, series = 0, lists = 0;
    qint32 lineWidth = 0;
    in >> magic;
    if (magic != kChartMagic)
        return {};
    in >> spec.Title >> spec.TitleBold >> spec.TitleFontSize >> spec.LegendBelow >> spec.CategoryAxisVisible
        >> lineWidth >> spec.LabelFontSize >> spec.SizeMm >> series;
    spec.CategoryLineWidth = lineWidth;
    for (quint32 i = 0; i < series && in.status() == QDataStream::Ok; ++i) {
        TChartView::Series s;
        in >> s.Title >> s.ValueField >> s.Color >> s.Line >> s.ShowMarks;
        spec.SeriesList.push_back(s);
    }
    in >> spec.Data.Categories >> lists;
    for (quint32 i = 0; i < lists && in.status() == QDataStream::Ok; ++i) {
        QList<double> values;
        in >> values;
        spec.Data.Values.push_back(values);
    }
    return in.status() == QDataStream::Ok ? spec : TChartSpec();
}

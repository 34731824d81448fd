#include "TChartView.h"

#include <QDataStream>
#include <QIODevice>

namespace {
const quint32 kChartMagic = 0x43485431; // "CHT1"
}

TChartDrawing TChartDrawing::From(const TChartView &view, const TChartData &data)
{
    TChartDrawing chart;
    static_cast<TChartLook &>(chart) = view;
    chart.SizeMm = QSizeF(view.Width, view.Height);
    chart.Data = data;
    return chart;
}

QByteArray TChartDrawing::Encode() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kChartMagic << Title << TitleBold << TitleFontSize << LegendBelow << CategoryAxisVisible
        << qint32(CategoryLineWidth) << LabelFontSize << SizeMm << quint32(SeriesList.size());
    for (const TChartLook::Series &s : SeriesList)
        out << s.Title << s.ValueField << s.Color << s.Line << s.ShowMarks;
    out << Data.Categories << quint32(Data.Values.size());
    for (const QList<double> &values : Data.Values)
        out << values;
    return bytes;
}

TChartDrawing TChartDrawing::Decode(const QByteArray &bytes)
{
    TChartDrawing chart;
    QDataStream in(bytes);
    quint32 magic = 0, series = 0, lists = 0;
    qint32 lineWidth = 0;
    in >> magic;
    if (magic != kChartMagic)
        return {};
    in >> chart.Title >> chart.TitleBold >> chart.TitleFontSize >> chart.LegendBelow >> chart.CategoryAxisVisible >>
        lineWidth >> chart.LabelFontSize >> chart.SizeMm >> series;
    chart.CategoryLineWidth = lineWidth;
    for (quint32 i = 0; i < series && in.status() == QDataStream::Ok; ++i) {
        TChartLook::Series s;
        in >> s.Title >> s.ValueField >> s.Color >> s.Line >> s.ShowMarks;
        chart.SeriesList.push_back(s);
    }
    in >> chart.Data.Categories >> lists;
    for (quint32 i = 0; i < lists && in.status() == QDataStream::Ok; ++i) {
        QList<double> values;
        in >> values;
        chart.Data.Values.push_back(values);
    }
    return in.status() == QDataStream::Ok ? chart : TChartDrawing();
}

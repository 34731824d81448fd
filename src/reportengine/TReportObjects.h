#pragma once

#include <QColor>
#include <QString>
#include <functional>

class TReport;
class TBand;

// The objects a band holds. Positions and sizes in millimetres, relative to the band's top-left.
class TReportView
{
public:
    enum Kind { Memo, Picture, Line, Chart };
    TReportView(Kind kind, const QString &name) : m_kind(kind), Name(name) {}
    virtual ~TReportView() = default;
    Kind ViewKind() const { return m_kind; }

private:
    Kind m_kind;

public:
    QString Name;
    double Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    quint8 FrameSides = 0; // TPrimitive::Sides
    double FrameWidth = 0.2;
    QColor FrameColor = Qt::black;
    QColor Fill; // invalid: transparent
    // Runs before the object's data is taken, only when its band is still visible.
    std::function<void(TReportView &)> OnBeforePrint;
};

// Text with bracketed expressions: "NIT: [QryGnEmpre."NIT_EMPR"]".
class TMemoView : public TReportView
{
public:
    enum HAlign { haLeft = 0, haRight = 1, haCenter = 2, haBlock = 3 };
    enum VAlign { vaTop = 0, vaCenter = 1, vaBottom = 2 };
    enum Stretch { smDontStretch, smActualHeight, smMaxHeight };
    explicit TMemoView(const QString &name) : TReportView(Memo, name) {}

    QString Text;
    QString FontName = QStringLiteral("Tahoma");
    double FontSize = 8;
    bool Bold = false, Italic = false, Underline = false;
    QColor FontColor = Qt::black;
    HAlign HorzAlign = haLeft;
    VAlign VertAlign = vaTop;
    bool WordWrap = true;
    // smActualHeight grows with the text (never shrinks) and pushes the objects below it; smMaxHeight
    // fills the band's final height.
    Stretch StretchMode = smDontStretch;
    // A FormatFloat pattern for numeric results ("#,##0.##"); empty: the locale's plain number.
    QString DisplayFormat;
};

// A picture taken from a blob field holding PNG or JPEG bytes, centred in its frame.
class TPictureView : public TReportView
{
public:
    explicit TPictureView(const QString &name) : TReportView(Picture, name) {}
    QString DataSet;
    QString DataField;
};

// A line from (Left, Top) to (Left + Width, Top + Height).
class TLineView : public TReportView
{
public:
    explicit TLineView(const QString &name) : TReportView(Line, name) {}
};

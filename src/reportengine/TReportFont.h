#pragma once

#include <QFont>
#include <QString>

// Fonts of the reports. Reports ask for Tahoma; the Tahoma that Debian ships with Wine is loaded
// from its folder on first use, and DejaVu Sans stands in when it is not installed. The same font
// objects serve the layout's measurements and the painter, so every output breaks lines alike.
namespace TReportFont {
// The family actually used for a family a report asks for.
QString Family(const QString &requested);
// A font for family / size in points; ligatures are kept off so "fi" stays two letters in PDF text.
QFont Make(const QString &family, double pointSize, bool bold, bool italic, bool underline);
} // namespace TReportFont

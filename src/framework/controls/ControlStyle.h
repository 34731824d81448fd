#pragma once

class QWidget;

namespace ControlStyle {
// The grey that marks a field the user cannot change.
constexpr unsigned kReadOnlyColor = 0xE9E9E9;
// Read-only controls are painted grey and left out of the Tab order (they still take a click, so
// their text can be selected and copied).
void ApplyReadOnly(QWidget *control, bool readOnly);
} // namespace ControlStyle

#pragma once
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QRect>

namespace vp::settings {

// A sunken panel filled with a colour (statistics, profile).
QFrame* ColouredPanel(QWidget* parent, const char* name, const QRect& geometry, QFrame::Shape shape,
                      const QColor& colour);

// A label on such a panel: coloured text in the given font, sized to its text.
QLabel* PanelLabel(QWidget* parent, const char* text, int left, int top, const QColor& colour, const QFont& font,
                   const char* name);

}  // namespace vp::settings

namespace vp::settings {

// A caption for a control that has no visible one (the character lists): an
// empty-sized label tied to it, which screen readers read as its name.
QLabel* TieCaption(QWidget* parent, QWidget* control, const QString& caption);

}  // namespace vp::settings

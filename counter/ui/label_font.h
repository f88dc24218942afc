#pragma once
#include <QFont>
#include <string>

#include "counter/greeting.h"

namespace vp::counter {

// The bubble labels' font: bold "MS UI Gothic" at a point size, as at 96 dots per inch.
QFont LabelFont(int points);
// The composition's text measurer for that font.
TextExtent MeasureLabel(const std::string& text, int points);
// The first use of a font reads the whole font database: done ahead of the
// window, it overlaps with the count finishing on its own thread.
void LoadLabelFont();

}  // namespace vp::counter

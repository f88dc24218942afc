#pragma once
#include <QMenu>
#include <functional>

namespace vp::settings {

// The right-button menu of the six characters (items "mitChar0".."mitChar5"),
// the current one checked; chosen gets the index of the item picked.
void FillCharacterMenu(QMenu* menu, int current, const std::function<QString(int)>& name,
                       const std::function<void(int)>& chosen);

}  // namespace vp::settings

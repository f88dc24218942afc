#pragma once

class QWidget;

namespace vp::settings {

// Centres the dialog over its owner and keeps it on the screen.
void PlaceOver(QWidget* dialog, QWidget* owner);

}  // namespace vp::settings

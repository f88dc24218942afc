#pragma once

class QWidget;

namespace vp::shell {

// With VPCOUNTER_SNAPSHOT=FILE.png set, writes what the window shows to that
// file once it is visible; the window goes on as usual.
void SnapshotWhenShown(QWidget* window);

}  // namespace vp::shell

#include "settings/ui/character_menu.h"

#include <QAction>

namespace vp::settings {

void FillCharacterMenu(QMenu* menu, int current, const std::function<QString(int)>& name,
                       const std::function<void(int)>& chosen) {
  menu->clear();
  for (int n = 0; n < 6; ++n) {
    QAction* item = menu->addAction(name(n));
    item->setObjectName(QString("mitChar%1").arg(n));
    item->setCheckable(true);
    item->setChecked(n == current);
    QObject::connect(item, &QAction::triggered, menu, [chosen, n] { chosen(n); });
  }
}

}  // namespace vp::settings

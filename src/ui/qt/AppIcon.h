#pragma once
// The program's icon: a small worksheet with a highlighted block of cells.

#include <QIcon>

namespace sheetwise::ui::qt {

QIcon AppIcon();

}  // namespace sheetwise::ui::qt

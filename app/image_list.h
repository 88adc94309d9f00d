#pragma once

#include <QIcon>

// The menus' image list: our own SVG icons, looked up by the index the menus use. A null icon
// for an index that has none.
QIcon ImageListIcon(int index);
// The program's icon (window, about box, desktop entry).
QIcon ProgramIcon();

#pragma once

class QWidget;

// Lists, number boxes and sliders below `root` take the mouse wheel only when they have the
// focus; over one that has not, the wheel scrolls the page under it instead of changing a
// setting nobody clicked (the General page is scrolled past many of them).
void WheelNeedsFocus(QWidget* root);

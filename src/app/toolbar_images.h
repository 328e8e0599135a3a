#pragma once

#include <QIcon>

// The images of the main toolbar, drawn at run time: 1 to 12 are the buttons in their order on
// the bar, 16 is the first button while a recording runs ("Stop Recording"). Any other index
// gives an empty icon.
QIcon ToolbarImage(int index);

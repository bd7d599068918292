#pragma once
// The program's picture lists, drawn as SVG in the resources: toolbar pictures 1..12, menu
// pictures 1..16, the connection panel's three states, the tree's folders, the field types
// 3..11 and the buttons of the rows strip and the options editor.
#include "util/StatusPanels.h"

#include <QIcon>
#include <QString>

namespace qvor {

QIcon toolbarPicture(int number);           // 1..12, position order of the toolbar's buttons
QIcon menuPicture(int number);              // 1..16, the order of the main window's menu icons
QIcon connectionPicture(ConnectionPicture picture);
QIcon folderPicture(bool open);
QIcon typePicture(int number);              // 3..11: C, N, P, D, T, X, I, F, s
QIcon stripButtonPicture(int index);        // 0 copy, 1 remove, 2 down, 3 up, 4 preview
QIcon addOptionPicture();
QIcon programPicture();

// The resource path behind a picture, for tests and for places that need a file name;
// empty for a number outside its list.
QString toolbarPicturePath(int number);
QString menuPicturePath(int number);

} // namespace qvor

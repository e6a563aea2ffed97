#pragma once
// The window's two pictures, painted with GDI at run time so the program carries no image
// files: the start picture (a disc with a green "go" arrow) and the group box's picture.
#include "platform/win32/Win32.h"

namespace tarnwick::app::win32 {

// A size x size bitmap on `background` (the colour of the window behind it).
HBITMAP StartPicture(int size, COLORREF background);
HBITMAP GroupPicture(int width, int height);

} // namespace tarnwick::app::win32

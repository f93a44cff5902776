#pragma once

#include <QMargins>

class QWidget;

// What the program asks of a window manager beyond Qt's window flags, on the
// X11 desktops it runs on. Elsewhere (offscreen, Wayland) these do nothing
// and return nothing.

// Keeps a top-level window off the taskbar and out of the window switcher.
// Call it before the window is first shown; the windows that show before the
// main window (splash, login, user management) use it, so the program has no
// taskbar entry until the main window appears.
void KeepOffTaskbar(QWidget *window);

// The thickness of the frame the window manager puts around the window, on
// each side. Asked of the window manager before the window is shown, so a
// window can be laid out frame included before anyone sees it; empty when
// there is no window manager or it does not say.
QMargins WindowFrameExtents(QWidget *window);

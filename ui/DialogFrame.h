#pragma once

#include <QSize>

class QWidget;

// A dialog frame the program draws itself: a raised border and a caption bar
// that shows the window's title and has no buttons, no system menu and no
// close box. Window managers put their own buttons on any title bar they
// draw, whatever the window asks for, so this window asks for none at all.
// Dragging the caption moves the window. Returns the client area, of the
// size given, for the dialog's controls.
QWidget *MakeDrawnDialogFrame(QWidget *dialog, const QSize &client);

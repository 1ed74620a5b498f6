#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window sizes and positions read back from the settings are checked
// against the screens there are now: a stored value may come from a larger
// or a missing screen, or from a hand-edited store, and is written back at
// every close, so trusting it would bring the damage back at every start.

// A stored size fitted to the screens: a width or height that is not
// positive gives `fallback`; anything larger than the largest available
// screen area is cut to it; nothing is smaller than `minimum`. A sane size
// comes back as it is.
QSize FitSizeToScreens(const QSize& stored, const QSize& minimum, const QSize& fallback);

// The position for a window of a fitted size at a stored position (any
// int, however far out): kept when enough of the window lies on some
// screen's available area to see and grab it, otherwise the position that
// centres it on the primary screen's available area.
QPoint FitPositionToScreens(const QPoint& stored, const QSize& size);

// Where a window of a fitted size meant to stand at `frame` (a dialog
// centred on its owner) goes: moved by the least that puts it whole on the
// available area of the screen under its centre, or of the primary screen
// when no screen is there. One larger than the area keeps its top left
// corner on it.
QPoint KeepOnScreen(const QRect& frame);

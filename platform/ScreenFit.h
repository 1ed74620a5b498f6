#pragma once

#include <QPoint>
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

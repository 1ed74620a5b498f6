#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's pictures, by their ids in platform/ResourceIds.h. They are
// drawn at run time; each keeps the transparent colour in the pixels that are
// to be cut away, as the pictures are used with a colour key.
//   mode buttons 90 x 30, filter buttons 62 x 30
//   the lists' mode squares and marker arrow, the picture buttons 24 x 24
//   the chart's bar 48 x 48
inline constexpr QRgb kKeyRed = 0xFFFF0000;
inline constexpr QRgb kKeyWhite = 0xFFFFFFFF;

// The picture as stored: opaque, the transparent colour left in place. A null
// image for an unknown id.
QImage LoadBitmapImage(int id);
// The same drawn for a device-pixel ratio: `ratio` times as many pixels each
// way, with that ratio set, so it shows at its 1x size and stays sharp.
// Every picture is drawn once per ratio.
QImage LoadBitmapImage(int id, qreal ratio);

// The colour that is transparent in the picture (red for all but the exit
// cross, white for it).
QColor GetTransparentColor(int id);

// The picture with the pixels of the given colour made transparent, drawn
// for the given device-pixel ratio.
QPixmap LoadBitmap(int id, const QColor& transparent, qreal ratio);
// The same for the screens' highest ratio, so the buttons' pictures are sharp
// at 200% as at 100%.
QPixmap LoadBitmap(int id, const QColor& transparent);
// The same with the picture's own transparent colour.
QPixmap LoadBitmap(int id);

// Icons: the program's and the dialogs'.
QIcon LoadIcon(int id);

#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's pictures, by resource id. They are drawn at run time; each
// keeps the transparent colour in the pixels that are to be cut away, as the
// pictures are used with a colour key.
//   150-159 mode button backgrounds (90 x 30 and 62 x 30)
//   160-163 mode squares of the item lists, 164 the list marker arrow
//   165-168, 170 picture-button images (24 x 24)
//   174 chart bar (48 x 48)
inline constexpr QRgb kKeyRed = 0xFFFF0000;
inline constexpr QRgb kKeyWhite = 0xFFFFFFFF;

// The picture as stored: opaque, the transparent colour left in place. A null
// image for an unknown id.
QImage LoadBitmapImage(int id);
// The same drawn for a device-pixel ratio: `ratio` times as many pixels each
// way, with that ratio set, so it shows at its 1x size and stays sharp.
// Every picture is drawn once per ratio.
QImage LoadBitmapImage(int id, qreal ratio);

// The colour that is transparent in the picture (red for all but 170, white
// for 170).
QColor GetTransparentColor(int id);

// The picture with the pixels of the given colour made transparent, drawn
// for the given device-pixel ratio.
QPixmap LoadBitmap(int id, const QColor& transparent, qreal ratio);
// The same for the screens' highest ratio, so the buttons' pictures are sharp
// at 200% as at 100%.
QPixmap LoadBitmap(int id, const QColor& transparent);
// The same with the picture's own transparent colour.
QPixmap LoadBitmap(int id);

// Icons: 128 the program icon, 140 the dialog icon.
QIcon LoadIcon(int id);

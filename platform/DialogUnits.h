#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

// Dialog templates place controls in dialog units, which follow the dialog
// font: a horizontal unit is a quarter of the average character width, a
// vertical unit an eighth of the character height.
struct DialogBaseUnits {
    int m_nBaseX = 0; // average width of "A".."Z" "a".."z", rounded
    int m_nBaseY = 0; // character height
};

DialogBaseUnits GetDialogBaseUnits(const QFont& font);

// Each edge of the rectangle is converted on its own, as the templates'
// coordinates are edges, not sizes: right = MulDiv(right, baseX, 4).
QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dlu);
QRect MapDialogRect(const QFont& font, const QRect& dlu);
// With the widget's own font.
QRect MapDialogRect(const QWidget* dialog, const QRect& dlu);

// Places a child at its template position (x, y, width, height in dialog
// units) using the parent's font.
void PlaceControl(QWidget* control, int x, int y, int cx, int cy);

// Windows' MulDiv: a * b / c rounded half away from zero; 0 for c == 0.
int MulDiv(int a, int b, int c);

// The font of a dialog template. Templates name Windows faces ("MS Shell
// Dlg", "MS UI Gothic"); where the face is not installed an installed
// Japanese face takes its place so the captions never show empty boxes.
QFont GetDialogFont(const QString& face, int points);

// The face to use for a requested one: the face itself when installed,
// otherwise the first installed Japanese face, otherwise the face unchanged.
QString ResolveJapaneseFace(const QString& face);

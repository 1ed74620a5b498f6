#include "platform/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <cstdlib>
#include <optional>

namespace {

// Japanese faces found on the platforms we run on, best first.
const QStringList& JapaneseFaces()
{
    static const QStringList faces = {
        QStringLiteral("IPAPGothic"),          QStringLiteral("IPAGothic"),
        QStringLiteral("Noto Sans CJK JP"),    QStringLiteral("Noto Sans JP"),
        QStringLiteral("VL PGothic"),          QStringLiteral("TakaoPGothic"),
        QStringLiteral("Yu Gothic UI"),        QStringLiteral("Meiryo UI"),
        QStringLiteral("MS UI Gothic"),        QStringLiteral("Hiragino Sans"),
        QStringLiteral("Droid Sans Fallback"),
    };
    return faces;
}

// The font database reads "Family [Foundry]" and ignores whatever follows
// the bracket, so "C059 [UKWN] Other" would pass for an installed C059; such
// a name is no face the learner has.
bool IsInstalledFace(const QString& face)
{
    const qsizetype open = face.indexOf(u'[');
    const qsizetype close = face.lastIndexOf(u']');
    if (open >= 0 && open < close && close + 1 < face.size())
        return false;
    return QFontDatabase::hasFamily(face);
}

} // namespace

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

namespace {

DialogBaseUnits MeasureBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogBaseUnits units;
    units.m_nBaseX = (width / 26 + 1) / 2;
    units.m_nBaseY = metrics.height();
    return units;
}

} // namespace

DialogBaseUnits GetDialogBaseUnits(const QFont& font)
{
    // Every control placed, and every layout pass, asks again for the same
    // few fonts; measuring text each time showed up at start-up. A font's
    // key names everything the metrics depend on (family, size, weight,
    // style), so equal keys measure alike.
    static QHash<QString, DialogBaseUnits> cache;
    const QString key = font.key();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const DialogBaseUnits units = MeasureBaseUnits(font);
    cache.insert(key, units);
    return units;
}

QRect MapDialogRect(const DialogBaseUnits& units, const QRect& dlu)
{
    // QRect's right() is inclusive; the template works with exclusive edges.
    const int left = MulDiv(dlu.left(), units.m_nBaseX, 4);
    const int top = MulDiv(dlu.top(), units.m_nBaseY, 8);
    const int right = MulDiv(dlu.left() + dlu.width(), units.m_nBaseX, 4);
    const int bottom = MulDiv(dlu.top() + dlu.height(), units.m_nBaseY, 8);
    return QRect(left, top, right - left, bottom - top);
}

QRect MapDialogRect(const QFont& font, const QRect& dlu)
{
    return MapDialogRect(GetDialogBaseUnits(font), dlu);
}

QRect MapDialogRect(const QWidget* dialog, const QRect& dlu)
{
    return MapDialogRect(dialog->font(), dlu);
}

void PlaceControl(QWidget* control, int x, int y, int cx, int cy)
{
    const QWidget* parent = control->parentWidget();
    const QFont font = parent ? parent->font() : control->font();
    control->setGeometry(MapDialogRect(font, QRect(x, y, cx, cy)));
}

QString ResolveJapaneseFace(const QString& face)
{
    // Asking the font database is slow (each question runs the font
    // configuration's substitution rules) and the installed faces do not
    // change while the program runs, so each face is resolved once, and the
    // Japanese fallback once for all faces.
    static QHash<QString, QString> cache;
    static std::optional<QString> fallback;
    const auto it = cache.constFind(face);
    if (it != cache.constEnd())
        return *it;
    QString resolved = face;
    if (face.isEmpty() || !IsInstalledFace(face)) {
        if (!fallback) {
            fallback.emplace();
            for (const QString& candidate : JapaneseFaces()) {
                if (QFontDatabase::hasFamily(candidate)) {
                    *fallback = candidate;
                    break;
                }
            }
        }
        if (!fallback->isEmpty())
            resolved = *fallback;
    }
    cache.insert(face, resolved);
    return resolved;
}

QFont GetDialogFont(const QString& face, int points)
{
    QFont font(ResolveJapaneseFace(face));
    font.setPointSize(points);
    return font;
}

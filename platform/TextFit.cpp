#include "platform/TextFit.h"

#include "platform/DialogUnits.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>

namespace {

bool HasCaption(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w))
        return !label->wordWrap() && label->pixmap().isNull() && !label->text().isEmpty();
    return qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w);
}

bool SameRow(const QRect& a, const QRect& b)
{
    return a.top() < b.bottom() && b.top() < a.bottom();
}

// The group box that frames the control, if any.
QWidget* FramingGroup(const QList<QWidget*>& siblings, const QWidget* control)
{
    for (QWidget* s : siblings) {
        if (s != control && qobject_cast<QGroupBox*>(s) &&
            s->geometry().contains(control->geometry()))
            return s;
    }
    return nullptr;
}

// The rightmost x (exclusive) the widget may reach: the left edge of the
// nearest control to its right on its row, less the gap, or the container's
// right margin.
int RightLimit(const QList<QWidget*>& siblings, const QWidget* w, const QWidget* ignore,
               int containerLimit, int gap)
{
    int limit = containerLimit;
    const QRect r = w->geometry();
    for (const QWidget* s : siblings) {
        if (s == w || s == ignore)
            continue;
        const QRect o = s->geometry();
        // A group box framing `w`, or one framed together with it, is no neighbour.
        if (o.contains(r) || (ignore && ignore->geometry().contains(o)))
            continue;
        if (SameRow(r, o) && o.left() >= r.left() + r.width() - 1)
            limit = std::min(limit, o.left() - gap);
    }
    return limit;
}

} // namespace

void FitCaptionWidths(QWidget* container)
{
    QList<QWidget*> siblings;
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isVisibleTo(container))
            siblings.append(child);
    }
    if (siblings.isEmpty())
        return;
    const int gap = MapDialogRect(container, QRect(0, 0, 2, 0)).width();
    const int inset = MapDialogRect(container, QRect(0, 0, 6, 0)).width();
    int leftMargin = container->width();
    for (const QWidget* s : siblings)
        leftMargin = std::min(leftMargin, s->x());
    const int containerLimit = container->width() - std::max(gap, leftMargin);

    for (QWidget* control : siblings) {
        if (!HasCaption(control))
            continue;
        const int need = control->sizeHint().width();
        if (need <= control->width())
            continue;
        QWidget* group = FramingGroup(siblings, control);
        int limit = RightLimit(siblings, control, group, containerLimit, gap);
        if (group) {
            const int groupLimit = RightLimit(siblings, group, nullptr, containerLimit, gap);
            limit = std::min(limit, groupLimit - inset);
        }
        const int width = std::min(need, limit - control->x());
        if (width <= control->width())
            continue;
        control->resize(width, control->height());
        if (group && control->x() + width + inset > group->x() + group->width())
            group->resize(control->x() + width + inset - group->x(), group->height());
    }
}

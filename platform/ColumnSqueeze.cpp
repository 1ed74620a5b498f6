#include "platform/ColumnSqueeze.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

struct Span {
    double m_top = 0;
    double m_bottom = 0;
};

int NaturalBottom(const QRect& r)
{
    return r.top() + r.height();
}

QList<Span> Place(const QList<SqueezeItem>& items, double k)
{
    const qsizetype n = items.size();
    QList<qsizetype> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return items.at(a).m_rcNatural.top() < items.at(b).m_rcNatural.top();
    });
    QList<Span> spans(n);
    QList<bool> placed(n, false);
    for (const qsizetype i : order) {
        const SqueezeItem& item = items.at(i);
        const int top = item.m_rcNatural.top();
        double y = k * top;
        for (qsizetype j = 0; j < n; ++j) {
            // Everything placed that ends above this control stays above it,
            // with its gap squeezed; the group box around it does not.
            if (!placed.at(j) || j == item.m_nFrame || NaturalBottom(items.at(j).m_rcNatural) > top)
                continue;
            y = std::max(y,
                         spans.at(j).m_bottom + k * (top - NaturalBottom(items.at(j).m_rcNatural)));
        }
        if (item.m_nFrame >= 0) {
            const SqueezeItem& group = items.at(item.m_nFrame);
            const Span& frame = spans.at(item.m_nFrame);
            y = std::max(y, frame.m_top + std::max<double>(k * (top - group.m_rcNatural.top()),
                                                           group.m_nTitleHeight));
        }
        const double height = std::max<double>(k * item.m_rcNatural.height(),
                                               std::max(item.m_nMinHeight, item.m_nTitleHeight));
        spans[i] = {y, y + height};
        placed[i] = true;
        if (item.m_nFrame >= 0) {
            // The group box reaches below its controls as in the template.
            Span& frame = spans[item.m_nFrame];
            const int below = NaturalBottom(items.at(item.m_nFrame).m_rcNatural) -
                              NaturalBottom(item.m_rcNatural);
            frame.m_bottom = std::max(frame.m_bottom, y + height + k * below);
        }
    }
    return spans;
}

} // namespace

QList<QRect> SqueezeColumn(const QList<SqueezeItem>& items, double scale)
{
    const QList<Span> spans = Place(items, scale);
    QList<QRect> rects;
    rects.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QRect& natural = items.at(i).m_rcNatural;
        if (scale >= 1) {
            rects.append(natural);
            continue;
        }
        // Both edges round the same way, so a control that ends where the
        // next begins never overlaps it.
        const int top = static_cast<int>(std::ceil(spans.at(i).m_top - 1e-9));
        const int bottom = static_cast<int>(std::ceil(spans.at(i).m_bottom - 1e-9));
        rects.append(QRect(natural.left(), top, natural.width(), bottom - top));
    }
    return rects;
}

int SqueezedBottom(const QList<SqueezeItem>& items, double scale)
{
    int bottom = 0;
    for (const QRect& r : SqueezeColumn(items, scale))
        bottom = std::max(bottom, r.top() + r.height());
    return bottom;
}

#include "mainwnd/CWriteView.h"

#include "platform/MenuAccessKeys.h"
#include "platform/Options.h"
#include "text/KanaConversion.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTabletEvent>
#include <QTextEdit>
#include <cmath>

namespace {

// Characters that get a box of their own: everything but spaces, counting a
// surrogate pair once.
int BoxCount(const QString& word)
{
    int count = 0;
    for (const uint c : RemoveParenthesized(word).toUcs4())
        if (!QChar::isSpace(c))
            ++count;
    return count;
}

QRectF Inflated(const QRectF& rect, qreal by)
{
    return rect.adjusted(-by, -by, by, by);
}

} // namespace

CWriteView::CWriteView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    m_nGuideMode = Options::GuideMode();

    m_pMenu = new QMenu(this);
    m_pMenu->setObjectName(QStringLiteral("WriteViewMenu"));
    // The keys are shown here but run through the frame's accelerators;
    // bound to the menu alone they never compete with a text box's own.
    auto addAction = [this](const QString& text, const QList<QKeySequence>& keys) {
        QAction* action = m_pMenu->addAction(text);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        return action;
    };
    // Access keys after the shortcuts' letters: U and R belong to other
    // entries' keys.
    m_pUndo = addAction(QStringLiteral("元に戻す(&Z)"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_pRedo =
        addAction(QStringLiteral("やり直し(&Y)"), {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_pErase = addAction(QStringLiteral("消去(&C)"), {QKeySequence(Qt::Key_C)});
    connect(m_pUndo, &QAction::triggered, this, &CWriteView::Undo);
    connect(m_pRedo, &QAction::triggered, this, &CWriteView::Redo);
    connect(m_pErase, &QAction::triggered, this, &CWriteView::Erase);

    m_pMenu->addSeparator();
    m_pGuides = new QActionGroup(this);
    const struct {
        const char* m_pszText;
        int m_nMode;
    } guides[] = {
        {"ガイドなし(&N)", kGuideNone}, {"十字(&J)", kGuideCross}, {"マス目(&B)", kGuideBoxes}};
    for (const auto& guide : guides) {
        QAction* action = m_pMenu->addAction(QString::fromUtf8(guide.m_pszText));
        action->setCheckable(true);
        action->setData(guide.m_nMode);
        m_pGuides->addAction(action);
    }
    connect(m_pGuides, &QActionGroup::triggered, this,
            [this](QAction* action) { SetGuideMode(action->data().toInt()); });
    UpdateMenu();
}

CWriteView::~CWriteView() = default;

bool CWriteView::IsEditableTextBox(const QWidget* widget)
{
    if (!widget)
        return false;
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return !edit->isReadOnly();
    if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        return !edit->isReadOnly();
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget))
        return !edit->isReadOnly();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        return !spin->isReadOnly();
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    return false;
}

bool CWriteView::OnCmdMsg(int id)
{
    switch (id) {
    case kCmdUndo:
        Undo();
        return true;
    case kCmdRedo:
        Redo();
        return true;
    default:
        return false;
    }
}

void CWriteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    if (cx <= 0 || cy <= 0)
        return;
    LayoutGuides();
    const int bw = m_sizeBuffer.width();
    const int bh = m_sizeBuffer.height();
    if (cx > bw || cy > bh) {
        // No slack: the sheet is redrawn from its strokes, so a larger buffer
        // later costs a redraw, while slack would cost memory and a fill at
        // every start.
        RebuildBuffer(QSize(qMax(cx, bw), qMax(cy, bh)));
        return;
    }
    // Guides are centred in the view, so they move with its size.
    if (m_nGuideMode != kGuideNone)
        RedrawAll();
}

void CWriteView::RebuildBuffer(const QSize& logicalSize)
{
    const qreal dpr = devicePixelRatioF();
    QImage grown(qCeil(logicalSize.width() * dpr), qCeil(logicalSize.height() * dpr),
                 QImage::Format_RGB32);
    if (grown.isNull())
        return; // the old buffer stays
    m_image = std::move(grown);
    m_sizeBuffer = logicalSize;
    m_rDpr = dpr;
    // Everything on the sheet is drawn from the strokes, so the writing
    // survives every resize and every change of scale.
    RedrawAll();
}

void CWriteView::RedrawAll()
{
    Redraw(QRectF(QPointF(0, 0), QSizeF(m_sizeBuffer)));
    m_bBlank = m_strokes.isEmpty() && !m_image.isNull();
}

void CWriteView::Redraw(const QRectF& area)
{
    if (m_image.isNull())
        return;
    const QRect device =
        QRectF(area.x() * m_rDpr, area.y() * m_rDpr, area.width() * m_rDpr, area.height() * m_rDpr)
            .toAlignedRect() &
        m_image.rect();
    if (device.isEmpty())
        return;
    const QRectF logical(device.x() / m_rDpr, device.y() / m_rDpr, device.width() / m_rDpr,
                         device.height() / m_rDpr);

    QPainter painter(&m_image);
    // Clip and ground in device pixels, so that every pixel inside is drawn
    // afresh and none outside is touched.
    painter.setClipRect(device);
    painter.fillRect(device, m_crBack);
    DrawGuides(painter, device);
    painter.scale(m_rDpr, m_rDpr);
    painter.setRenderHint(QPainter::Antialiasing);
    // Ink a device pixel away from the area still shades its edge pixels.
    const QRectF reach = Inflated(logical, 1);
    for (const CInkOutline& outline : std::as_const(m_outlines)) {
        QPainterPath path;
        outline.AddOutline(path, reach);
        if (!path.isEmpty())
            painter.fillPath(path, m_crPen);
    }
    painter.end();
    update(logical.toAlignedRect());
}

void CWriteView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    if (m_image.isNull()) {
        painter.fillRect(area, palette().color(QPalette::Base));
        return;
    }
    // Moved to a screen of another scale: draw the sheet anew at its
    // resolution rather than blow up the old pixels.
    if (!qFuzzyCompare(m_rDpr, devicePixelRatioF()))
        RebuildBuffer(m_sizeBuffer);
    painter.drawImage(QRectF(area), m_image,
                      QRectF(area.x() * m_rDpr, area.y() * m_rDpr, area.width() * m_rDpr,
                             area.height() * m_rDpr));
}

void CWriteView::LayoutGuides()
{
    m_boxes.clear();
    const int n = BoxCount(m_strWord);
    const int w = width();
    const int h = height();
    if (n == 0 || w <= 0 || h <= 0)
        return;
    // Answer boxes as a kanji test prints them: squares side by side, as
    // large as the view allows with a margin all round.
    const int margin = qMax(8, qMin(w, h) / 12);
    const int side = qMin((w - 2 * margin) / n, h - 2 * margin);
    if (side < 1)
        return;
    const int left = (w - n * side) / 2;
    const int top = (h - side) / 2;
    for (int i = 0; i < n; ++i)
        m_boxes.append(QRectF(left + i * side, top, side, side));
}

QList<QRectF> CWriteView::GuideBoxes() const
{
    return m_nGuideMode == kGuideBoxes ? m_boxes : QList<QRectF>();
}

void CWriteView::SetGuideMode(int mode)
{
    if (mode < kGuideNone || mode > kGuideBoxes)
        mode = kGuideNone;
    Options::SetGuideMode(mode);
    m_nGuideMode = mode;
    UpdateMenu();
    RedrawAll();
}

void CWriteView::DrawGuides(QPainter& painter, const QRect& device) const
{
    if (m_nGuideMode == kGuideNone)
        return;
    // Lines are whole device pixels wide and start on whole pixels, so they
    // stay sharp at every scale.
    const int thick = qMax(1, qRound(m_rDpr));
    auto at = [this](qreal logical) { return qRound(logical * m_rDpr); };
    if (m_nGuideMode == kGuideCross) {
        // One cross in each character's square, as the boxes are drawn; the
        // whole sheet's when there is no word to lay out.
        const QList<QRectF> cells =
            m_boxes.isEmpty() ? QList<QRectF>{QRectF(0, 0, width(), height())} : m_boxes;
        const int dash = qMax(1, at(6));
        const int period = dash + qMax(1, at(4));
        for (const QRectF& cell : cells) {
            const QRect span(at(cell.left()), at(cell.top()), at(cell.right()) - at(cell.left()),
                             at(cell.bottom()) - at(cell.top()));
            if (!span.intersects(device))
                continue;
            // Dashes are laid out from the crossing, which a dash covers, so
            // that every square's cross looks alike.
            const int x = at(cell.center().x()) - thick / 2;
            const int y = at(cell.center().y()) - thick / 2;
            // Dashes along one axis: from `start` to `end`, crossing at
            // `centre`, each placed by `piece`.
            const auto dashes = [&](int centre, int start, int end, auto piece) {
                const int first =
                    centre - dash / 2 - (centre - dash / 2 - start + period - 1) / period * period;
                for (int offset = first; offset < end; offset += period) {
                    const QRect part = piece(offset) & span;
                    if (!part.isEmpty())
                        painter.fillRect(part, m_crGuide);
                }
            };
            dashes(x, span.left(), span.left() + span.width(),
                   [&](int offset) { return QRect(offset, y, dash, thick); });
            dashes(y, span.top(), span.top() + span.height(),
                   [&](int offset) { return QRect(x, offset, thick, dash); });
        }
        return;
    }
    for (const QRectF& box : m_boxes) {
        const int l = at(box.left());
        const int t = at(box.top());
        const int r = at(box.right());
        const int b = at(box.bottom());
        const QRect edges[] = {QRect(l, t, r - l + thick, thick), QRect(l, b, r - l + thick, thick),
                               QRect(l, t, thick, b - t + thick),
                               QRect(r, t, thick, b - t + thick)};
        for (const QRect& edge : edges)
            if (edge.intersects(device))
                painter.fillRect(edge, m_crGuide);
    }
}

QPointF CWriteView::PixelCentre(const QPointF& point) const
{
    // Mouse positions name pixels; the ink runs through their centres so
    // that a pen of width w covers w pixels across the line.
    return QPointF(std::floor(point.x() * m_rDpr) + 0.5, std::floor(point.y() * m_rDpr) + 0.5) /
           m_rDpr;
}

void CWriteView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        BeginStroke(PixelCentre(event->position()), 1);
    QWidget::mousePressEvent(event);
}

void CWriteView::mouseMoveEvent(QMouseEvent* event)
{
    ContinueStroke(PixelCentre(event->position()), 1);
    QWidget::mouseMoveEvent(event);
}

void CWriteView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        EndStroke(PixelCentre(event->position()), 1);
    QWidget::mouseReleaseEvent(event);
}

void CWriteView::tabletEvent(QTabletEvent* event)
{
    // A pen writes like the mouse; accepting the event keeps Qt from
    // delivering the same movement again as a mouse event. Pen positions
    // are finer than pixels and kept as they come.
    const QPointF pos = event->position();
    switch (event->type()) {
    case QEvent::TabletPress:
        if (event->button() == Qt::LeftButton)
            BeginStroke(pos, event->pressure());
        break;
    case QEvent::TabletMove:
        ContinueStroke(pos, event->pressure());
        break;
    case QEvent::TabletRelease:
        // The pen has left the surface and reports no pressure; the stroke
        // ends as it was last pressed.
        if (event->button() == Qt::LeftButton && m_bDrawing) {
            const QList<InkPoint>& points = m_strokes.last().points;
            EndStroke(pos, points.isEmpty() ? 1 : points.last().pressure);
        }
        break;
    default:
        break;
    }
    event->accept();
}

void CWriteView::BeginStroke(const QPointF& point, qreal pressure)
{
    if (m_bDrawing)
        return;
    qsizetype points = 0;
    for (const InkStroke& stroke : std::as_const(m_strokes))
        points += stroke.points.size();
    if (m_strokes.size() >= kMaxStrokes || points >= kMaxSheetPoints)
        return;
    m_nPointsBefore = points;
    m_bDrawing = true;
    m_redo.clear();
    m_strokeClock.start();
    // The pen width is read once: a stroke has one width however the
    // setting changes while it is written.
    m_strokes.append(InkStroke());
    m_outlines.append(CInkOutline(Options::StrokeWidth()));
    m_undo.append(Step());
    AddPoint(point, pressure);
    emit StrokeBegun();
}

void CWriteView::ContinueStroke(const QPointF& point, qreal pressure)
{
    if (m_bDrawing)
        AddPoint(point, pressure);
}

void CWriteView::EndStroke(const QPointF& point, qreal pressure)
{
    if (!m_bDrawing)
        return;
    AddPoint(point, pressure);
    if (!m_bDrawing)
        return; // ended at a bound
    m_bDrawing = false;
    emit StrokesChanged();
}

void CWriteView::AddPoint(const QPointF& point, qreal pressure)
{
    QList<InkPoint>& points = m_strokes.last().points;
    if (!points.isEmpty() && points.last().pos == point && points.last().pressure == pressure)
        return;
    points.append(InkPoint{point, pressure, m_strokeClock.elapsed()});
    m_bBlank = false;
    Redraw(m_outlines.last().Append(points.last()));
    if (points.size() >= kMaxStrokePoints || m_nPointsBefore + points.size() >= kMaxSheetPoints)
        StopAtBound();
}

void CWriteView::StopAtBound()
{
    // The release that follows finds no stroke to end.
    m_bDrawing = false;
    emit StrokesChanged();
}

bool CWriteView::CanUndo() const
{
    return !m_bDrawing && !m_undo.isEmpty();
}

bool CWriteView::CanRedo() const
{
    return !m_bDrawing && !m_redo.isEmpty();
}

void CWriteView::Undo()
{
    if (!CanUndo())
        return;
    Step step = m_undo.takeLast();
    QRectF area;
    if (step.m_bErase) {
        // The sheet is empty here: everything after the erase was undone.
        m_strokes = std::move(step.m_strokes);
        m_outlines = std::move(step.m_outlines);
        for (const CInkOutline& outline : std::as_const(m_outlines))
            area = area.united(outline.Bounds());
        m_redo.append(Step{true, {}, {}});
        m_bBlank = false;
    } else {
        Step redo;
        redo.m_strokes.append(m_strokes.takeLast());
        redo.m_outlines.append(m_outlines.takeLast());
        area = redo.m_outlines.first().Bounds();
        m_redo.append(std::move(redo));
    }
    Redraw(Inflated(area, 1));
    emit StrokesChanged();
}

void CWriteView::Redo()
{
    if (!CanRedo())
        return;
    Step step = m_redo.takeLast();
    if (step.m_bErase) {
        m_undo.append(Step{true, std::move(m_strokes), std::move(m_outlines)});
        m_strokes.clear();
        m_outlines.clear();
        RedrawAll();
    } else {
        m_strokes.append(step.m_strokes.first());
        m_outlines.append(step.m_outlines.first());
        m_undo.append(Step());
        m_bBlank = false;
        Redraw(Inflated(m_outlines.last().Bounds(), 1));
    }
    emit StrokesChanged();
}

void CWriteView::Erase()
{
    // A new question wipes the sheet and the frame erases it again: a sheet
    // drawn blank only needs showing.
    if (m_strokes.isEmpty() && m_bBlank) {
        repaint();
        return;
    }
    const bool drawing = m_bDrawing;
    const InkPoint carried = drawing ? m_strokes.last().points.last() : InkPoint();
    if (!m_strokes.isEmpty()) {
        m_undo.append(Step{true, std::move(m_strokes), std::move(m_outlines)});
        m_redo.clear();
    }
    m_strokes.clear();
    m_outlines.clear();
    if (drawing)
        CarryOn(carried);
    RedrawAll();
    repaint();
    emit StrokesChanged();
}

void CWriteView::CarryOn(const InkPoint& from)
{
    // Wiped while the button is held: the line goes on from where the pen
    // is, as a stroke of its own.
    m_strokes.append(InkStroke{{from}});
    m_outlines.append(CInkOutline(Options::StrokeWidth()));
    m_outlines.last().Append(from);
    m_undo.append(Step());
}

void CWriteView::ClearSheet()
{
    const bool drawing = m_bDrawing;
    const InkPoint carried = drawing ? m_strokes.last().points.last() : InkPoint();
    m_strokes.clear();
    m_outlines.clear();
    m_undo.clear();
    m_redo.clear();
    if (drawing)
        CarryOn(carried);
}

void CWriteView::SetAnswerWord(const QString& word)
{
    m_strWord = word;
    m_nGuideMode = Options::GuideMode();
    ClearSheet();
    LayoutGuides();
    UpdateMenu();
    RedrawAll();
    emit StrokesChanged();
}

qsizetype CWriteView::StrokeMemory() const
{
    qsizetype bytes = 0;
    auto add = [&bytes](const InkStrokes& strokes, const QList<CInkOutline>& outlines) {
        for (const InkStroke& stroke : strokes)
            bytes += qsizetype(sizeof(InkStroke)) +
                     stroke.points.capacity() * qsizetype(sizeof(InkPoint));
        for (const CInkOutline& outline : outlines)
            bytes += outline.MemoryUse();
    };
    add(m_strokes, m_outlines);
    for (const Step& step : m_undo)
        add(step.m_strokes, step.m_outlines);
    for (const Step& step : m_redo)
        add(step.m_strokes, step.m_outlines);
    return bytes;
}

void CWriteView::AddContextActions(const QList<QAction*>& actions)
{
    m_pMenu->addSeparator();
    m_pMenu->addActions(actions);
    AssignAccessKeys(m_pMenu);
}

void CWriteView::UpdateMenu()
{
    m_pUndo->setEnabled(CanUndo());
    m_pRedo->setEnabled(CanRedo());
    for (QAction* action : m_pGuides->actions())
        action->setChecked(action->data().toInt() == m_nGuideMode);
}

void CWriteView::OpenMenu(const QPoint& globalPos)
{
    // The menu takes the mouse: a stroke still being written ends here
    // rather than at a release the menu swallows.
    if (m_bDrawing) {
        m_bDrawing = false;
        emit StrokesChanged();
    }
    UpdateMenu();
    AssignAccessKeys(m_pMenu);
    m_pMenu->popup(globalPos);
}

void CWriteView::contextMenuEvent(QContextMenuEvent* event)
{
    OpenMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                         : mapToGlobal(rect().center()));
    event->accept();
}

void CWriteView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The menu key goes to the focused control, and the canvas never has
    // the focus: answer it when no control of the window took it.
    QWidget* top = window();
    if (top != m_pWatched) {
        if (m_pWatched)
            m_pWatched->removeEventFilter(this);
        m_pWatched = (top != this) ? top : nullptr;
        if (m_pWatched)
            m_pWatched->installEventFilter(this);
    }
}

bool CWriteView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pWatched && event->type() == QEvent::ContextMenu && isVisible() &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        OpenMenu(mapToGlobal(rect().center()));
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

#include "dialogs/CBaseDialog.h"

#include "platform/DialogUnits.h"
#include "platform/HelpService.h"
#include "platform/TextFit.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionSizeGrip>
#include <QWindow>

CBaseDialog::CBaseDialog(int templateId, QWidget* parent)
    : QDialog(parent), m_nTemplateId(templateId)
{
    m_cxGrip = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_cyGrip = m_cxGrip;
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetResizable(false);
}

CBaseDialog::~CBaseDialog() = default;

void CBaseDialog::SetResizable(bool resizable)
{
    m_bResizable = resizable;
    setSizeGripEnabled(false); // the grip is ours
    update();
}

void CBaseDialog::SetTemplateSize(int cx, int cy)
{
    const QSize size = MapDialogRect(this, QRect(0, 0, cx, cy)).size();
    if (m_bResizable) {
        resize(size);
    } else {
        setFixedSize(size);
    }
}

QRect CBaseDialog::GetGripRect(int width, int height) const
{
    return QRect(width - m_cxGrip, height - m_cyGrip, m_cxGrip, m_cyGrip);
}

bool CBaseDialog::HitTestGrip(const QPoint& clientPoint) const
{
    return m_bResizable && GetGripRect(m_cxLast, m_cyLast).contains(clientPoint);
}

void CBaseDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (!m_bResizable)
        return;
    QPainter painter(this);
    QStyleOptionSizeGrip option;
    option.initFrom(this);
    option.rect = GetGripRect(width(), height());
    option.corner = Qt::BottomRightCorner;
    style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
}

void CBaseDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!m_bResizable)
        return;
    // The grip at the old size is left on screen otherwise; the new square
    // is painted with the area the resize exposes.
    update(GetGripRect(m_cxLast, m_cyLast));
    m_cxLast = width();
    m_cyLast = height();
}

void CBaseDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && HitTestGrip(event->position().toPoint())) {
        if (QWindow* window = windowHandle();
            window && window->startSystemResize(Qt::BottomEdge | Qt::RightEdge)) {
            event->accept();
            return;
        }
        // Without help from the window system the drag is done here.
        m_bGripDragging = true;
        m_ptGripOffset = QPoint(width(), height()) - event->position().toPoint();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bGripDragging) {
        const QPoint corner = event->position().toPoint() + m_ptGripOffset;
        resize(qMax(corner.x(), minimumWidth()), qMax(corner.y(), minimumHeight()));
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bGripDragging && event->button() == Qt::LeftButton) {
        m_bGripDragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CBaseDialog::showEvent(QShowEvent* event)
{
    if (!m_bHelpButtonBound) {
        m_bHelpButtonBound = true;
        const auto buttons =
            findChildren<QAbstractButton*>(QStringLiteral("9"), Qt::FindDirectChildrenOnly);
        for (QAbstractButton* button : buttons)
            connect(button, &QAbstractButton::clicked, this, &CBaseDialog::OnCommandHelp);
    }
    // Captions set up to now are final; the ones a font clips get room.
    FitCaptionWidths(this);
    FitIntoScreen();
    QDialog::showEvent(event);
}

void CBaseDialog::FitIntoScreen()
{
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* where = owner ? owner->screen() : screen();
    if (!where || findChild<QScrollArea*>(QStringLiteral("screenFit"), Qt::FindDirectChildrenOnly))
        return;
    // The frame's size is known once the window system framed the dialog;
    // before that a title bar's worth is kept free.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty())
        frame = QSize(8, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 8);
    const QSize room = where->availableGeometry().size() - frame;
    if (width() <= room.width() && height() <= room.height())
        return;
    if (minimumSize() != maximumSize()) {
        setMinimumSize(minimumSize().boundedTo(room));
        resize(size().boundedTo(room));
        return;
    }
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("screenFitContent"));
    content->setFixedSize(size());
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow())
            continue;
        const bool shown = child->isVisibleTo(this);
        const QRect place = child->geometry();
        child->setParent(content);
        child->setGeometry(place);
        child->setVisible(shown);
    }
    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("screenFit"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content);
    // A scroll bar takes room beside or below the controls where the other
    // side has it to spare.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    QSize fitted = size();
    if (fitted.height() > room.height())
        fitted = QSize(fitted.width() + bar, room.height());
    if (fitted.width() > room.width())
        fitted = QSize(room.width(), qMin(fitted.height() + bar, room.height()));
    setFixedSize(fitted);
    area->setGeometry(rect());
    area->show();
}

void CBaseDialog::OnHelp()
{
    // Only a dialog that offers a help button has a topic of its own; on a
    // small screen it may stand in the scroll area.
    if (findChild<QWidget*>(QStringLiteral("9"))) {
        OnCommandHelp();
        return;
    }
    ShowHelpContents();
}

void CBaseDialog::OnCommandHelp()
{
    ShowHelpContext(kHelpResourceBase + static_cast<quint32>(m_nTemplateId));
}

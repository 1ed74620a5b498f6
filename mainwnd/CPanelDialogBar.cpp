#include "mainwnd/CPanelDialogBar.h"

#include "platform/DialogUnits.h"
#include "platform/Options.h"
#include "platform/ResourceIds.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

CPanelDialogBar::CPanelDialogBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(kIdPanelBar));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setFont(GetDialogFont(QStringLiteral("MS Shell Dlg"), 8));
    // The template's size until the first text arrives.
    m_nBarHeight = MapDialogRect(this, QRect(0, 0, 236, 44)).height();
}

CPanelDialogBar::~CPanelDialogBar() = default;

QSize CPanelDialogBar::sizeHint() const
{
    return QSize(MapDialogRect(this, QRect(0, 0, 236, 44)).width(), m_nBarHeight);
}

void CPanelDialogBar::CreateTextFont()
{
    const QString face = Options::PanelFace();
    const int points = Options::FontPoints();
    // A face this system lacks would be replaced by one without Japanese
    // glyphs; an installed Japanese face stands in for it.
    QFont font(ResolveJapaneseFace(face));
    font.setStyleHint(QFont::SansSerif);
    // The height in pixels as the point size converts on this screen:
    // points * 10 * dpi / 720, rounded.
    const int pixels = MulDiv(points * 10, logicalDpiY(), 720);
    font.setPixelSize(qMax(pixels, 1));
    m_fontPanel = font;
}

void CPanelDialogBar::SetText(const QString& text)
{
    m_strPanelText = text;
    Relayout();
}

void CPanelDialogBar::Relayout()
{
    const QRect client = rect();
    m_rcText = TextRect::FromQRect(client.adjusted(10, 10, -10, -10));
    MeasureMarkupText(QFontMetrics(m_fontPanel), m_strPanelText, m_rcText);
    m_nBarHeight = m_rcText.bottom + 10 - client.top();
    const int shift = (client.width() - m_rcText.Width()) / 2 - m_rcText.left;
    m_rcText.left += shift;
    m_rcText.right += shift;

    // The window that holds the panel sizes it; alone, it sizes itself.
    m_bInLayout = true;
    if (parentWidget())
        updateGeometry();
    else
        resize(width(), m_nBarHeight);
    m_bInLayout = false;
    update();
}

void CPanelDialogBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_strPanelText.isEmpty() && !m_bInLayout)
        Relayout();
}

void CPanelDialogBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgb(kBackground));
    if (m_strPanelText.isEmpty())
        return;
    painter.setFont(m_fontPanel);
    painter.setPen(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    DrawMarkupText(painter, m_strPanelText, m_rcText, false);
}

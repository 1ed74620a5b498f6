#include "mainwnd/CPanelDialogBar.h"

#include "platform/DialogUnits.h"
#include "platform/Settings.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace {

const QString kDefaultFace = QStringLiteral("ＭＳ Ｐゴシック");
constexpr qsizetype kMaxFaceLength = 255;
constexpr int kMinPoints = 10;
constexpr int kMaxPoints = 100;

} // namespace

CPanelDialogBar::CPanelDialogBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("59399"));
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

QString CPanelDialogBar::TextFaceSetting()
{
    const QString face = GetProfileString(Setting::FontFace);
    // No installed family has a name this long; matching one against the
    // font system costs seconds, so it counts as no face chosen.
    if (face.isEmpty() || face.size() > kMaxFaceLength)
        return kDefaultFace;
    return face;
}

void CPanelDialogBar::CreateTextFont()
{
    const QString face = TextFaceSetting();
    // The options dialog stores 10 to 100; anything else was written by
    // hand, and points * 10 must not overflow.
    const int points = qBound(kMinPoints, GetProfileInt(Setting::FontPoint), kMaxPoints);
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

#include "mainwnd/CStrokeOrderWindow.h"

#include "recognition/WritingCheck.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

const QColor kGround(240, 230, 210); // the writing sheet's beige
const QColor kInk(0, 0, 0);

} // namespace

CStrokeOrderWindow::CStrokeOrderWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("strokeOrderWindow"));
    setWindowTitle(QStringLiteral("書き順"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
    resize(640, 320);
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("strokeOrderNote"));
    m_pNote->setText(QStringLiteral(
        "書き順フォント (KanjiStrokeOrders) がないため、普通のフォントで表示しています。"));
    m_pNote->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addStretch(1);
    layout->addWidget(m_pNote);
    SetStrokeOrderFontAvailable(QFontDatabase::families().contains(kStrokeOrderFamily));
}

void CStrokeOrderWindow::SetStrokeOrderFontAvailable(bool available)
{
    m_bHasFont = available;
    UpdateNote();
    update();
}

void CStrokeOrderWindow::UpdateNote()
{
    m_pNote->setVisible(!m_bHasFont);
}

void CStrokeOrderWindow::SetWord(const QString& word)
{
    const QString written = CharactersToCheck(word).join(QString());
    if (written == m_strWord)
        return;
    m_strWord = written;
    update();
}

QRect CStrokeOrderWindow::WordArea() const
{
    QRect area = rect().adjusted(8, 8, -8, -8);
    if (m_pNote->isVisible())
        area.setBottom(m_pNote->geometry().top() - 4);
    return area;
}

QFont CStrokeOrderWindow::WordFont() const
{
    QFont font = this->font();
    if (m_bHasFont)
        font.setFamilies({kStrokeOrderFamily});
    const QRect area = WordArea();
    const int characters = qMax(1, int(CharactersToCheck(m_strWord).size()));
    // The glyphs are square: as tall as the area, unless the word would
    // then be wider than it.
    const int pixels =
        qMax(8, qMin(area.height() * 85 / 100, area.width() * 95 / 100 / characters));
    font.setPixelSize(pixels);
    return font;
}

void CStrokeOrderWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(WordFont());
    painter.setPen(kInk);
    painter.drawText(WordArea(), Qt::AlignCenter, m_strWord);
}

void CStrokeOrderWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

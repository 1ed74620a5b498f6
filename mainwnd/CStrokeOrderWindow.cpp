#include "mainwnd/CStrokeOrderWindow.h"

#include "recognition/WritingCheck.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QColor kGround(240, 230, 210); // the writing sheet's beige
const QColor kInk(0, 0, 0);

} // namespace

// A tool window stays above its main window while the learner works there.
CStrokeOrderWindow::CStrokeOrderWindow(QWidget* parent)
    : QWidget(parent, parent ? Qt::Tool : Qt::Window)
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
    if (isVisible())
        GrowToReadable();
    update();
}

QPoint CStrokeOrderWindow::PlaceBeside(const QRect& owner, const QSize& size,
                                       const QRect& available)
{
    int x = owner.right() + 1;
    if (x + size.width() - 1 > available.right()) {
        x = owner.left() - size.width();
        if (x < available.left())
            x = available.right() + 1 - size.width();
    }
    x = qMax(available.left(), qMin(x, available.right() + 1 - size.width()));
    const int y = qMax(available.top(), qMin(owner.top(), available.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

QSize CStrokeOrderWindow::ReadableSize(const QRect& available) const
{
    // The inverse of WordFont's sizing, with the margins and the note.
    const int characters = qMax(1, int(CharactersToCheck(m_strWord).size()));
    const int note = m_pNote->isVisible() ? m_pNote->sizeHint().height() + 8 : 0;
    const QSize wanted((kReadableGlyph * characters * 100 + 94) / 95 + 16,
                       (kReadableGlyph * 100 + 84) / 85 + 16 + note);
    return wanted.expandedTo(minimumSize()).boundedTo(available.size());
}

void CStrokeOrderWindow::GrowToReadable()
{
    const QScreen* where = screen();
    if (!where)
        return;
    const QRect available = where->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize grown = size().expandedTo(
        ReadableSize(available.adjusted(0, 0, -frameExtra.width(), -frameExtra.height())));
    if (grown == size())
        return;
    resize(grown);
    // Still inside the screen after growing.
    const QRect frame(frameGeometry().topLeft(), grown + frameExtra);
    const QPoint inside(
        qMax(available.left(), qMin(frame.left(), available.right() + 1 - frame.width())),
        qMax(available.top(), qMin(frame.top(), available.bottom() + 1 - frame.height())));
    move(inside + (pos() - frameGeometry().topLeft()));
}

void CStrokeOrderWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_bPlaced)
        return;
    m_bPlaced = true;
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* where = owner ? owner->screen() : screen();
    if (!where)
        return;
    const QRect available = where->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    // As large as the word needs, no larger: room for the window beside.
    resize(ReadableSize(available.adjusted(0, 0, -frameExtra.width(), -frameExtra.height())));
    if (owner) {
        const QPoint frameAt = PlaceBeside(owner->frameGeometry(), size() + frameExtra, available);
        move(frameAt + (pos() - frameGeometry().topLeft()));
    }
}

void CStrokeOrderWindow::keyPressEvent(QKeyEvent* event)
{
    // The learner goes on with N and B here too: the drill's keys are the
    // main window's.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner && event->key() != Qt::Key_Escape) {
        QWidget* target = owner->focusWidget() ? owner->focusWidget() : owner;
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                       event->isAutoRepeat(), ushort(event->count()));
        QCoreApplication::sendEvent(target, &copy);
        event->setAccepted(copy.isAccepted());
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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

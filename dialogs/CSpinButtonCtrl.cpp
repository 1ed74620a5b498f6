#include "dialogs/CSpinButtonCtrl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace {

// The edit's text is read into a buffer of this many characters.
constexpr int kMaxEditText = 33;

} // namespace

int ParseLeadingInt(const QString& text)
{
    int pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+'))) {
        negative = text.at(pos) == QLatin1Char('-');
        ++pos;
    }
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    while (pos < text.size() && text.at(pos) >= QLatin1Char('0') && text.at(pos) <= QLatin1Char('9')) {
        value = std::min(value * 10 + (text.at(pos).unicode() - '0'), limit);
        ++pos;
    }
    if (negative)
        return static_cast<int>(std::max(-value, static_cast<long long>(std::numeric_limits<int>::min())));
    return static_cast<int>(std::min(value, static_cast<long long>(std::numeric_limits<int>::max())));
}

void ClampEditToSpinRange(QLineEdit* edit, const CSpinButtonCtrl* spin)
{
    if (!edit || !spin)
        return;
    const QString text = edit->text().left(kMaxEditText);
    int low = 0;
    int high = 0;
    spin->GetRange32(low, high);
    const int value = std::clamp(ParseLeadingInt(text), std::min(low, high), std::max(low, high));
    const QString clamped = QString::number(value);
    if (clamped != edit->text())
        edit->setText(clamped);
}

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent) : QWidget(parent)
{
    m_pUp = new QToolButton(this);
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown = new QToolButton(this);
    m_pDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_pUp, m_pDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
    }
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(-1); });
    setFocusPolicy(Qt::NoFocus);
}

void CSpinButtonCtrl::SetBuddy(QLineEdit* buddy)
{
    if (m_pBuddy)
        m_pBuddy->removeEventFilter(this);
    m_pBuddy = buddy;
    if (m_pBuddy) {
        m_pBuddy->installEventFilter(this);
        AttachToBuddy();
    }
}

void CSpinButtonCtrl::AttachToBuddy()
{
    // The pair keeps the buddy's outer rectangle: the edit gives up the
    // right-hand part of it to the arrows.
    const QRect edit = m_pBuddy->geometry();
    const int cx = std::min(width(), edit.width());
    m_pBuddy->setGeometry(edit.x(), edit.y(), edit.width() - cx, edit.height());
    setGeometry(edit.x() + edit.width() - cx, edit.y(), cx, edit.height());
}

void CSpinButtonCtrl::SetRange32(int low, int high)
{
    m_nLow = low;
    m_nHigh = high;
}

void CSpinButtonCtrl::GetRange32(int& low, int& high) const
{
    low = m_nLow;
    high = m_nHigh;
}

void CSpinButtonCtrl::Step(int delta)
{
    if (!m_pBuddy)
        return;
    const int low = std::min(m_nLow, m_nHigh);
    const int high = std::max(m_nLow, m_nHigh);
    const long long next = static_cast<long long>(ParseLeadingInt(m_pBuddy->text())) + delta;
    const int value = static_cast<int>(std::clamp<long long>(next, low, high));
    m_pBuddy->setText(QString::number(value));
}

bool CSpinButtonCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pBuddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSpinButtonCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_pUp->setGeometry(0, 0, width(), half);
    m_pDown->setGeometry(0, half, width(), height() - half);
}

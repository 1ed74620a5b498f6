#include "widgets/CDeferWindowPos.h"

CDeferWindowPos::~CDeferWindowPos()
{
    End();
}

void CDeferWindowPos::Begin(int count)
{
    m_moves.clear();
    m_moves.reserve(qMax(count, 0));
    m_bOpen = true;
}

void CDeferWindowPos::Move(QWidget* window, int x, int y, int cx, int cy, unsigned /*flags*/)
{
    if (!m_bOpen)
        return;
    if (!window || cx < 0 || cy < 0) {
        m_bOpen = false;
        m_moves.clear();
        return;
    }
    m_moves.append({window, QRect(x, y, cx, cy)});
}

void CDeferWindowPos::End()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    const QList<PendingMove> moves = std::exchange(m_moves, {});
    for (const PendingMove& move : moves) {
        if (move.m_window)
            move.m_window->setGeometry(move.m_rect);
    }
}

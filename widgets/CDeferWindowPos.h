#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

// One batch of control moves, applied together at End so that a layout pass
// shows no half-moved state. A failed move (a control that does not exist)
// drops the whole batch: the controls keep their places until the next
// layout. The destructor ends a batch that an early return left open.
class CDeferWindowPos {
public:
    CDeferWindowPos() = default;
    virtual ~CDeferWindowPos();
    CDeferWindowPos(const CDeferWindowPos&) = delete;
    CDeferWindowPos& operator=(const CDeferWindowPos&) = delete;

    void Begin(int count);
    // flags are accepted for the callers' sake; z-order and activation never
    // change here.
    void Move(QWidget* window, int x, int y, int cx, int cy, unsigned flags = 0);
    void End();

    bool IsOpen() const { return m_bOpen; }

private:
    struct PendingMove {
        QPointer<QWidget> m_window;
        QRect m_rect;
    };
    bool m_bOpen = false;
    QList<PendingMove> m_moves;
};

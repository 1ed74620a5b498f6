#pragma once

#include "platform/MessageBox.h"

#include <QStringList>
#include <deque>

// Records every message box while it lives and answers them from a queue of
// replies (IDOK when the queue is empty).
class MessageRecorder {
public:
    MessageRecorder()
    {
        m_previous = SetMessageBoxHandler([this](const QString& text, MessageButtons) {
            m_texts << text;
            if (m_replies.empty())
                return IDOK;
            const int reply = m_replies.front();
            m_replies.pop_front();
            return reply;
        });
    }
    ~MessageRecorder() { SetMessageBoxHandler(std::move(m_previous)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void SetNextAnswer(int reply) { m_replies.push_back(reply); }
    const QStringList& Texts() const { return m_texts; }
    void Clear() { m_texts.clear(); }

private:
    MessageBoxHandler m_previous;
    QStringList m_texts;
    std::deque<int> m_replies;
};

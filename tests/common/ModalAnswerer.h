#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

// Answers the modal dialogs that the code under test opens while the
// answerer lives: each time a dialog of type T becomes the active modal
// window, `answer` runs on it. When the answerer goes out of scope the test
// fails if no such dialog appeared (or, made with ExpectNone, if one did),
// so a test never passes because the dialog it meant to answer never came.
template <typename T = QDialog> class ModalAnswerer {
public:
    enum Expectation { ExpectDialog, ExpectNone };

    explicit ModalAnswerer(std::function<void(T*)> answer, Expectation expect = ExpectDialog,
                           const char* file = __builtin_FILE(), int line = __builtin_LINE())
        : m_answer(std::move(answer)), m_expect(expect), m_file(file), m_line(line)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(10);
    }
    // A dialog that must not appear; one that does is closed.
    static ModalAnswerer None(const char* file = __builtin_FILE(), int line = __builtin_LINE())
    {
        return ModalAnswerer([](T* dialog) { dialog->reject(); }, ExpectNone, file, line);
    }

    ~ModalAnswerer()
    {
        m_timer.stop();
        if (QTest::currentTestFailed())
            return; // the first failure says more
        if (m_expect == ExpectDialog && m_nSeen == 0)
            QTest::qFail("no modal dialog appeared", m_file, m_line);
        else if (m_expect == ExpectNone && m_nSeen != 0)
            QTest::qFail("a modal dialog appeared", m_file, m_line);
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;
    ModalAnswerer(ModalAnswerer&& other) = delete;

    // Dialogs answered so far.
    int Seen() const { return m_nSeen; }

private:
    void Poll()
    {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || dialog == m_last)
            return;
        m_last = dialog;
        ++m_nSeen;
        m_answer(dialog);
    }

    std::function<void(T*)> m_answer;
    Expectation m_expect;
    const char* m_file;
    int m_line;
    int m_nSeen = 0;
    QPointer<T> m_last;
    QTimer m_timer;
};

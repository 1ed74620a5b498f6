#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class QTimer;

// Saves the study data during the drill, so that a crash or a power loss
// costs at most the last minute: what changed is written as at exit, at most
// once a minute and only while the learner has not touched keyboard or mouse
// for a few seconds. The window only takes the snapshot; the files are
// written on a thread of their own (CDictionary::StartBackgroundSave), and
// the next poll collects the outcome. A file that keeps failing is reported
// once, until one of its saves succeeds.
class CPeriodicSave : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kIntervalSeconds = 60;
    static constexpr qint64 kIdleSeconds = 3;

    // Watches the application's input from now on; the interval starts now.
    explicit CPeriodicSave(QObject* parent = nullptr);
    ~CPeriodicSave() override;

    // The learner did something; the save waits until they pause.
    void NoteActivity();
    // Collects a finished write; starts one when it is due. True when it
    // started one. The timer calls it every second; tests call it under the
    // test clock.
    bool Poll();
    // Waits for the write that runs, if any, and collects it.
    void WaitForWrite();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs `step` with the learner told of each kind of save failure once.
    void ReportingOnce(const std::function<void()>& step);
    void Collect(bool wait);
    // A part that is clean was written since its failure.
    void ForgetCleanFailures();

    QTimer* m_pTimer = nullptr;
    qint64 m_nLastSave = 0;     // CurrentTime of the start or the last check
    qint64 m_nLastActivity = 0; // CurrentTime of the last input
    bool m_bSaving = false;
    QSet<QString> m_reported; // failure messages' first lines, shown already
};

#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QTimer;

// Saves the study data during the drill, so that a crash or a power loss
// costs at most the last minute: what changed is written through the same
// CDictionary::Save as at exit, at most once a minute and only while the
// learner has not touched keyboard or mouse for a few seconds. A file that
// keeps failing is reported once, until one of its saves succeeds.
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
    // Saves when it is due; true when it ran Save. The timer calls it every
    // second; tests call it under the test clock.
    bool Poll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SaveReportingOnce();
    void ForgetSavedFailures();

    QTimer* m_pTimer = nullptr;
    qint64 m_nLastSave = 0;     // CurrentTime of the start or the last check
    qint64 m_nLastActivity = 0; // CurrentTime of the last input
    bool m_bSaving = false;
    QSet<QString> m_reported; // failure messages' first lines, shown already
};

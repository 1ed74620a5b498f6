#pragma once

#include <QObject>

class QSocketNotifier;

// A write cut short by the file-size limit would end the process with
// SIGXFSZ in the middle of a save; ignored, the write fails with EFBIG and
// is reported like any other failed write.
void IgnoreFileSizeSignal();

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the thread that made
// the object. The handler only writes the signal number into a pipe, the one
// thing that is safe to do there; the notifier reads it in the event loop.
// One object per process; the handlers stay installed while it lives, and
// the signals are ignored once it is gone.
class CTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(QObject* parent = nullptr);
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

signals:
    void Received(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier* m_pNotifier = nullptr;
};

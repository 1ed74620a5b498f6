#pragma once

// What a child of the start-up benchmark reports: at the first paint of a
// widget of the named class, the monotonic clock, the processor time used
// so far and the peak memory; a few seconds later, idle, the memory it then
// holds. Qt only, so that the bare window's child links nothing of ours.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace StartupProbe {

// Long enough for anything a start leaves to be done a moment later.
constexpr int kSteadyAfterMs = 3000;

inline qint64 MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The processor time the process has used so far, start-up included: on a
// busy machine it varies far less than the wall-clock time.
inline qint64 ProcessorNanoseconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return qint64(used.tv_sec) * 1000000000 + used.tv_nsec;
}

// A field of /proc/self/status in kilobytes: VmHWM the peak, VmRSS now.
inline qint64 MemoryKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Prints "clock processor peak steady" and ends the process: the first
// three at the first paint, the last once the program has been idle.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const char* className) : m_className(className) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_bPainted || event->type() != QEvent::Paint || !watched->inherits(m_className))
            return false;
        m_bPainted = true;
        // Let the paint itself finish before the clock is read.
        watched->event(event);
        std::printf("%lld %lld %lld ", MonotonicNanoseconds(), ProcessorNanoseconds(),
                    MemoryKilobytes("VmHWM"));
        QTimer::singleShot(kSteadyAfterMs, [] {
            std::printf("%lld\n", MemoryKilobytes("VmRSS"));
            std::fflush(stdout);
            std::_Exit(0);
        });
        return true;
    }

private:
    const char* m_className;
    bool m_bPainted = false;
};

} // namespace StartupProbe

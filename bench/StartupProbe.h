#pragma once

// What the start-up children report, shared by the bare window and the real
// one. Header-only and Qt-only: the bare child must link nothing of ours.

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace StartupProbe {

// "paint": report the first paint and end at once. "resident": stay after
// the first paint, run the child's work, print "ready" and end a little
// later, so that the parent can read the resident memory meanwhile.
inline const char* const kModeVariable = "VELMARIK_BENCH_STARTUP_MODE";

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

// A field of /proc/<pid>/status in kB ("VmHWM", "VmRSS"); 0 when unknown.
inline qint64 StatusKilobytes(const QByteArray& pid, const QByteArray& field)
{
    QFile status(QByteArray("/proc/") + pid + "/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = field + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Watches for the first paint of a widget of the named class. In "paint"
// mode it prints the clocks and the peak memory and ends the process: what
// follows is not measured. In "resident" mode it runs the work once the
// window has settled and then tells the parent.
class FirstPaint : public QObject {
public:
    FirstPaint(const char* className, std::function<void()> work)
        : m_className(className), m_work(std::move(work)),
          m_bResident(qgetenv(kModeVariable) == "resident")
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_bSeen || event->type() != QEvent::Paint || !watched->inherits(m_className))
            return false;
        m_bSeen = true;
        if (m_bResident) {
            // The parent samples the first seconds itself; the work starts
            // after them.
            QTimer::singleShot(3500, QCoreApplication::instance(), [this] {
                if (m_work)
                    m_work();
                std::printf("ready\n");
                std::fflush(stdout);
                QTimer::singleShot(1500, QCoreApplication::instance(), [] { std::_Exit(0); });
            });
            return false;
        }
        // Let the paint itself finish before the clock is read.
        watched->event(event);
        std::printf("%lld %lld %lld\n", MonotonicNanoseconds(), ProcessorNanoseconds(),
                    StatusKilobytes("self", "VmHWM"));
        std::fflush(stdout);
        std::_Exit(0);
    }

private:
    const char* m_className;
    std::function<void()> m_work;
    bool m_bResident = false;
    bool m_bSeen = false;
};

} // namespace StartupProbe

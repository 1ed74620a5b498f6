// Start to the first painted question of the real main window, against a
// bare Qt main window with one label, both started as fresh processes in
// turn on the offscreen platform. Each child prints the monotonic clock at
// its first paint and its peak memory then; the parent takes the clock just
// before starting it. The medians of both give the ratio.
//
// The children run with temporary data and settings folders, so the real
// window starts as on a first run and nothing of the user's is touched.

#include "mainwnd/CVelmarikApp.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int kRuns = 15;
const char* const kChildVariable = "VELMARIK_BENCH_STARTUP_CHILD";

qint64 MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The processor time the process has used so far, start-up included: on a
// busy machine it varies far less than the wall-clock time.
qint64 ProcessorNanoseconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return qint64(used.tv_sec) * 1000000000 + used.tv_nsec;
}

qint64 PeakMemoryKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Reports the first paint of a widget of the named class, then ends the
// process at once: what follows the first paint is not measured.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const char* className) : m_className(className) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->inherits(m_className)) {
            // Let the paint itself finish before the clock is read.
            watched->event(event);
            std::printf("%lld %lld %lld\n", MonotonicNanoseconds(), ProcessorNanoseconds(),
                        PeakMemoryKilobytes());
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }

private:
    const char* m_className;
};

int RunBare(int argc, char** argv)
{
    QApplication app(argc, argv);
    FirstPaint filter("QLabel");
    app.installEventFilter(&filter);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("よみ"), &window));
    window.show();
    return app.exec();
}

int RunReal(int argc, char** argv)
{
    CVelmarikApp app(argc, argv);
    FirstPaint filter("CPanelDialogBar");
    app.installEventFilter(&filter);
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}

struct Sample {
    double milliseconds = 0;    // wall clock
    double cpuMilliseconds = 0; // processor time
    double kilobytes = 0;
};

bool RunChild(const QString& kind, const QProcessEnvironment& environment, Sample& sample)
{
    QProcess child;
    QProcessEnvironment env = environment;
    env.insert(QString::fromLatin1(kChildVariable), kind);
    child.setProcessEnvironment(env);
    const qint64 start = MonotonicNanoseconds();
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return false;
    sample.milliseconds = (fields[0].toLongLong() - start) / 1e6;
    sample.cpuMilliseconds = fields[1].toLongLong() / 1e6;
    sample.kilobytes = fields[2].toDouble();
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray kind = qgetenv(kChildVariable);
    if (kind == "bare")
        return RunBare(argc, argv);
    if (kind == "real")
        return RunReal(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), folder.filePath(QString::fromLatin1(name)));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());

    std::vector<double> bareTime, realTime, bareCpu, realCpu, bareMemory, realMemory;
    Sample sample;
    // The first start of each fills the caches of the system; it is not kept.
    if (!RunChild(QStringLiteral("bare"), environment, sample) ||
        !RunChild(QStringLiteral("real"), environment, sample)) {
        std::fprintf(stderr, "a child did not report its first paint\n");
        return 1;
    }
    for (int run = 0; run < kRuns; ++run) {
        for (const QString& kind : {QStringLiteral("bare"), QStringLiteral("real")}) {
            if (!RunChild(kind, environment, sample)) {
                std::fprintf(stderr, "the %s child failed\n", qPrintable(kind));
                return 1;
            }
            (kind == QLatin1String("bare") ? bareTime : realTime).push_back(sample.milliseconds);
            (kind == QLatin1String("bare") ? bareCpu : realCpu).push_back(sample.cpuMilliseconds);
            (kind == QLatin1String("bare") ? bareMemory : realMemory).push_back(sample.kilobytes);
        }
    }
    const double bare = Median(bareTime);
    const double real = Median(realTime);
    std::printf("bare window with one label: first paint after %.1f ms (%.1f ms processor), "
                "peak %.0f kB\n",
                bare, Median(bareCpu), Median(bareMemory));
    std::printf("main window: first painted question after %.1f ms (%.1f ms processor), "
                "peak %.0f kB\n",
                real, Median(realCpu), Median(realMemory));
    std::printf("start-up ratio %.2fx wall clock, %.2fx processor time; peak memory ratio "
                "%.2fx (medians of %d runs each)\n",
                real / bare, Median(realCpu) / Median(bareCpu),
                Median(realMemory) / Median(bareMemory), kRuns);
    return 0;
}

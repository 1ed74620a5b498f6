// Start to the first painted question of the real main window, against a
// bare Qt main window with one label built from Qt alone, both started as
// fresh processes in turn on the offscreen platform. Each child prints the
// monotonic clock at its first paint and its peak memory then, and, a few
// seconds later with nothing done, the memory it holds: what every learner
// pays for as long as the program runs. The parent takes the clock just
// before starting a child. The medians of both give the ratios.
//
// The children run with temporary data and settings folders, so the real
// window starts as on a first run and nothing of the user's is touched.

#include "StartupProbe.h"
#include "mainwnd/CVelmarikApp.h"

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 15;
const char* const kChildVariable = "VELMARIK_BENCH_STARTUP_CHILD";

int RunReal(int argc, char** argv)
{
    CVelmarikApp app(argc, argv);
    StartupProbe::FirstPaint filter("CPanelDialogBar");
    app.installEventFilter(&filter);
    if (!app.InitInstance())
        return app.ExitInstance(1);
    return app.ExitInstance(app.exec());
}

struct Sample {
    double milliseconds = 0;    // wall clock
    double cpuMilliseconds = 0; // processor time
    double kilobytes = 0;       // peak at the first paint
    double steadyKilobytes = 0; // held a while later
};

bool RunChild(const QString& program, const QProcessEnvironment& environment, Sample& sample)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    const qint64 start = StartupProbe::MonotonicNanoseconds();
    child.start(program, {});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 4)
        return false;
    sample.milliseconds = (fields[0].toLongLong() - start) / 1e6;
    sample.cpuMilliseconds = fields[1].toLongLong() / 1e6;
    sample.kilobytes = fields[2].toDouble();
    sample.steadyKilobytes = fields[3].toDouble();
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Series {
    std::vector<double> time, cpu, memory, steady;
    void Add(const Sample& sample)
    {
        time.push_back(sample.milliseconds);
        cpu.push_back(sample.cpuMilliseconds);
        memory.push_back(sample.kilobytes);
        steady.push_back(sample.steadyKilobytes);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv(kChildVariable) == "real")
        return RunReal(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    QProcessEnvironment bareEnvironment = QProcessEnvironment::systemEnvironment();
    bareEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        bareEnvironment.insert(QString::fromLatin1(name),
                               folder.filePath(QString::fromLatin1(name)));
    bareEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    QProcessEnvironment realEnvironment = bareEnvironment;
    realEnvironment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("real"));
    const QString bare = QStringLiteral(VELMARIK_BARE_WINDOW);
    const QString real = QCoreApplication::applicationFilePath();

    Series bareSeries, realSeries;
    Sample sample;
    // The first start of each fills the caches of the system; it is not kept.
    if (!RunChild(bare, bareEnvironment, sample) || !RunChild(real, realEnvironment, sample)) {
        std::fprintf(stderr, "a child did not report its first paint\n");
        return 1;
    }
    for (int run = 0; run < kRuns; ++run) {
        if (!RunChild(bare, bareEnvironment, sample)) {
            std::fprintf(stderr, "the bare child failed\n");
            return 1;
        }
        bareSeries.Add(sample);
        if (!RunChild(real, realEnvironment, sample)) {
            std::fprintf(stderr, "the real child failed\n");
            return 1;
        }
        realSeries.Add(sample);
    }
    const double bareTime = Median(bareSeries.time);
    const double realTime = Median(realSeries.time);
    std::printf("bare window with one label: first paint after %.1f ms (%.1f ms processor), "
                "peak %.0f kB, %.0f kB held after %d s\n",
                bareTime, Median(bareSeries.cpu), Median(bareSeries.memory),
                Median(bareSeries.steady), StartupProbe::kSteadyAfterMs / 1000);
    std::printf("main window: first painted question after %.1f ms (%.1f ms processor), "
                "peak %.0f kB, %.0f kB held after %d s\n",
                realTime, Median(realSeries.cpu), Median(realSeries.memory),
                Median(realSeries.steady), StartupProbe::kSteadyAfterMs / 1000);
    std::printf("start-up ratio %.2fx wall clock, %.2fx processor time; peak memory ratio "
                "%.2fx; steady memory ratio %.2fx (medians of %d runs each)\n",
                realTime / bareTime, Median(realSeries.cpu) / Median(bareSeries.cpu),
                Median(realSeries.memory) / Median(bareSeries.memory),
                Median(realSeries.steady) / Median(bareSeries.steady), kRuns);
    return 0;
}

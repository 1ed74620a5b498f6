// Start to the first painted question of the real program, against a bare
// Qt main window with one label: two programs of their own (startup_bare
// links nothing of ours, startup_real starts the program as its main does),
// started as fresh processes in turn on the offscreen platform (or the one
// named by VELMARIK_BENCH_PLATFORM). Each child prints the monotonic clock,
// its processor time and its peak memory at its first paint; the parent
// takes the clock just before starting it. The medians give the ratios.
//
// Then the resident memory a user sees: both children stay up, the parent
// reads their resident size at 0.5, 1, 2 and 3 seconds, and once more after
// the real one drilled 200 questions.
//
// The children run with temporary data and settings folders, so the real
// window starts as on a first run and nothing of the user's is touched.

#include "StartupProbe.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 15;
constexpr int kResidentRuns = 3;
constexpr int kSampleMilliseconds[] = {500, 1000, 2000, 3000};
constexpr int kSamples = std::size(kSampleMilliseconds);

struct Sample {
    double milliseconds = 0;    // wall clock
    double cpuMilliseconds = 0; // processor time
    double kilobytes = 0;       // peak
};

QString ChildPath(const char* name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name));
}

bool RunPaintChild(const QString& program, const QProcessEnvironment& environment, Sample& sample)
{
    QProcess child;
    QProcessEnvironment env = environment;
    env.insert(QString::fromLatin1(StartupProbe::kModeVariable), QStringLiteral("paint"));
    child.setProcessEnvironment(env);
    const qint64 start = StartupProbe::MonotonicNanoseconds();
    child.start(program, {});
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

// Resident sizes in kB at the sample times, then after the child's work.
bool RunResidentChild(const QString& program, const QProcessEnvironment& environment,
                      std::vector<double>& residents)
{
    QProcess child;
    QProcessEnvironment env = environment;
    env.insert(QString::fromLatin1(StartupProbe::kModeVariable), QStringLiteral("resident"));
    child.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    child.start(program, {});
    if (!child.waitForStarted(60000))
        return false;
    const QByteArray pid = QByteArray::number(child.processId());
    residents.clear();
    for (const int at : kSampleMilliseconds) {
        QThread::msleep(std::max<qint64>(0, at - clock.elapsed()));
        residents.push_back(double(StartupProbe::StatusKilobytes(pid, "VmRSS")));
    }
    if (!child.waitForReadyRead(120000) || !child.readAllStandardOutput().contains("ready"))
        return false;
    residents.push_back(double(StartupProbe::StatusKilobytes(pid, "VmRSS")));
    child.waitForFinished(10000);
    return residents.back() > 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bare = ChildPath("startup_bare");
    const QString real = ChildPath("startup_real");
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString platform = qEnvironmentVariable("VELMARIK_BENCH_PLATFORM", "offscreen");
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), folder.filePath(QString::fromLatin1(name)));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());

    std::vector<double> bareTime, realTime, bareCpu, realCpu, bareMemory, realMemory;
    Sample sample;
    // The first start of each fills the caches of the system; it is not kept.
    if (!RunPaintChild(bare, environment, sample) || !RunPaintChild(real, environment, sample)) {
        std::fprintf(stderr, "a child did not report its first paint (built %s and %s?)\n",
                     qPrintable(bare), qPrintable(real));
        return 1;
    }
    for (int run = 0; run < kRuns; ++run) {
        for (const bool isReal : {false, true}) {
            if (!RunPaintChild(isReal ? real : bare, environment, sample)) {
                std::fprintf(stderr, "the %s child failed\n", isReal ? "real" : "bare");
                return 1;
            }
            (isReal ? realTime : bareTime).push_back(sample.milliseconds);
            (isReal ? realCpu : bareCpu).push_back(sample.cpuMilliseconds);
            (isReal ? realMemory : bareMemory).push_back(sample.kilobytes);
        }
    }
    std::printf("platform %s\n", qPrintable(platform));
    std::printf("bare window with one label: first paint after %.1f ms (%.1f ms processor), "
                "peak %.0f kB\n",
                Median(bareTime), Median(bareCpu), Median(bareMemory));
    std::printf("main window: first painted question after %.1f ms (%.1f ms processor), "
                "peak %.0f kB\n",
                Median(realTime), Median(realCpu), Median(realMemory));
    std::printf("start-up ratio %.2fx wall clock, %.2fx processor time; peak memory ratio "
                "%.2fx (medians of %d runs each)\n",
                Median(realTime) / Median(bareTime), Median(realCpu) / Median(bareCpu),
                Median(realMemory) / Median(bareMemory), kRuns);

    std::vector<std::vector<double>> bareResident(kSamples + 1), realResident(kSamples + 1);
    for (int run = 0; run < kResidentRuns; ++run) {
        for (const bool isReal : {false, true}) {
            std::vector<double> residents;
            if (!RunResidentChild(isReal ? real : bare, environment, residents)) {
                std::fprintf(stderr, "the resident %s child failed\n", isReal ? "real" : "bare");
                return 1;
            }
            for (size_t k = 0; k < residents.size(); ++k)
                (isReal ? realResident : bareResident)[k].push_back(residents[k]);
        }
    }
    for (int k = 0; k <= kSamples; ++k) {
        const double b = Median(bareResident[k]);
        const double r = Median(realResident[k]);
        if (k < kSamples)
            std::printf("resident at %.1f s: ", kSampleMilliseconds[k] / 1000.0);
        else
            std::printf("resident after 200 questions: ");
        std::printf("bare %.0f kB, main window %.0f kB, ratio %.2fx\n", b, r, r / b);
    }
    std::printf("(medians of %d runs each)\n", kResidentRuns);
    return 0;
}

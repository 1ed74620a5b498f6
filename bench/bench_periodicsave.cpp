// How long the periodic save keeps the window waiting, with a million
// history records and with a million changed items. The window's thread is
// the one that calls Poll: once to take the snapshot and start the write,
// once more to collect its outcome; what it spends in both (processor time
// on that thread, and wall-clock time) is what the learner waits. The write
// itself runs on a thread of its own meanwhile; its time is shown beside.
// The yardstick of the same run is the least any save must do: write the
// same number of bytes to the same folder through QSaveFile. A frame is
// 16 ms.

#include "../tests/common/MessageRecorder.h"
#include "../tests/common/TestEnv.h"
#include "BenchLists.h"
#include "platform/Clock.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CPeriodicSave.h"
#include "study/StateSnapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <cstdio>

namespace {

constexpr int kItems = 1000000;
constexpr int kRounds = 5;

// The size of the state files a save of that kind writes.
qint64 FolderBytes(const QString& folder, bool history)
{
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList({"*.dat"}, QDir::Files)) {
        const bool isHistory = file.fileName() == QLatin1String("histdata.dat");
        if (isHistory == history && file.fileName() != QLatin1String("miscdata.dat"))
            bytes += file.size();
    }
    return bytes;
}

struct Wait {
    double cpuMilliseconds = 0;
    double wallMilliseconds = 0;
    double writeMilliseconds = 0; // on the writing thread, wall clock
};

// One due save: the clock is moved past the interval and the idle time;
// the poll that starts the write, the wait for it (which the window does
// not do: it goes on with the drill) and the poll that collects it.
Wait TimedSave(CPeriodicSave& save, qint64& now)
{
    now += CPeriodicSave::kIntervalSeconds + CPeriodicSave::kIdleSeconds + 1;
    SetCurrentTimeForTesting(now);
    Wait wait;
    QElapsedTimer wall;
    wall.start();
    bool saved = false;
    wait.cpuMilliseconds = MicrosecondsOf([&] { saved = save.Poll(); }) / 1000.0;
    wait.wallMilliseconds = wall.nsecsElapsed() / 1e6;
    if (!saved)
        std::fprintf(stderr, "the save did not run\n");
    QElapsedTimer writing;
    writing.start();
    CDictionary* dic = CDictionary::GetInstance();
    for (bool collected = false; !collected;) {
        // Only the poll that collects makes the window wait.
        const double collect =
            MicrosecondsOf([&] { collected = dic->FinishBackgroundSave(false).has_value(); });
        if (collected) {
            wait.writeMilliseconds = writing.nsecsElapsed() / 1e6;
            wait.cpuMilliseconds += collect / 1000.0;
        } else {
            QThread::yieldCurrentThread();
        }
    }
    return wait;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessageRecorder messages;
    CDictionary::SetWordListSource(MakeBenchLists(kItems));
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    const QString folder = TestEnv::Instance().DataFolder();
    qint64 now = 1700000000;
    SetCurrentTimeForTesting(now);
    CPeriodicSave save;

    // More than the drill keeps, as a history file written elsewhere may
    // hold.
    for (int i = 0; i < kItems; ++i)
        dic->m_history.append(CDictionary::CHistInfo{i, 1});
    dic->m_bHistDirty = 1;
    dic->Save();

    struct Case {
        const char* m_pszName;
        bool m_bHistory;
        std::function<void()> m_change;
    };
    int round = 0;
    const Case cases[] = {
        {"10^6 history records, one answered", true,
         [&] {
             dic->m_history[round].m_bAnswered ^= 1;
             dic->m_bHistDirty = 1;
         }},
        {"10^6 changed items", false,
         [&] {
             for (int i = 0; i < kItems; ++i) {
                 CDictionary::CItem* item = dic->GetItem(i);
                 item->SetMode(qint16((i + round) % 5), -1);
                 item->m_bDirty = 1;
             }
         }},
    };
    for (const Case& c : cases) {
        std::vector<double> cpu, wall, write, floor;
        qint64 bytes = 0;
        QByteArray payload;
        for (round = 0; round < kRounds; ++round) {
            c.m_change();
            const Wait wait = TimedSave(save, now);
            if (round == 0) {
                bytes = FolderBytes(folder, c.m_bHistory);
                payload.fill('x', bytes);
            }
            cpu.push_back(wait.cpuMilliseconds);
            wall.push_back(wait.wallMilliseconds);
            write.push_back(wait.writeMilliseconds);
            floor.push_back(MicrosecondsOf([&] {
                                QSaveFile file(folder + QStringLiteral("floor.bin"));
                                if (file.open(QIODevice::WriteOnly)) {
                                    file.write(payload);
                                    file.commit();
                                }
                            }) /
                            1000.0);
        }
        const double base = Median(floor);
        std::printf("%s: the window waited %.1f ms processor, %.1f ms wall clock "
                    "(a frame is 16 ms); the writing thread took %.1f ms; baseline (write "
                    "%lld bytes) %.1f ms; %.2fx baseline\n",
                    c.m_pszName, Median(cpu), Median(wall), Median(write), bytes, base,
                    Median(cpu) / base);
    }
    QFile::remove(folder + QStringLiteral("floor.bin"));
    SetCurrentTimeForTesting(std::nullopt);
    return messages.Texts().isEmpty() ? 0 : 1;
}

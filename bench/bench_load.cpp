// Loading a million items with a learning-mode file for every list. The
// yardstick, timed in the same run, is the least any load must do: read the
// state files and decode the word-list text.

#include "../tests/common/MessageRecorder.h"
#include "../tests/common/TestEnv.h"
#include "BenchLists.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int kItems = 1000000;
constexpr int kRounds = 7;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessageRecorder messages;
    const std::shared_ptr<FakeWordLists> lists = MakeBenchLists(kItems);
    CDictionary::SetWordListSource(lists);
    {
        // Every list gets its learning-mode file.
        CDictionary dic;
        for (int i = 0; i < dic.GetTotalItemCount(); ++i) {
            CDictionary::CItem* item = dic.GetItem(i);
            item->m_nAskCount = qint16(i % 7);
            item->SetMode(qint16(i % 5), -1);
            item->m_bDirty = 1;
        }
        dic.Save();
    }

    const QString folder = TestEnv::Instance().DataFolder();
    qsizetype sink = 0;
    const auto baselineRound = [&] {
        return MicrosecondsOf([&] {
            for (const QString& name : QDir(folder).entryList({"*.dat"}, QDir::Files)) {
                QFile file(folder + name);
                if (file.open(QIODevice::ReadOnly))
                    sink += file.readAll().size();
            }
            for (const QByteArray& text : std::as_const(lists->m_lists)) {
                QStringDecoder decoder(QStringConverter::Utf8);
                sink += QString(decoder.decode(text)).size();
            }
        });
    };
    // Only the load is timed; freeing the items is the exit's cost. With a
    // fresh heap, as at the start of the program, every page the items take
    // is new to the process; with a warm one the previous round's pages
    // are reused, which leaves the work of the load itself.
    const auto loadRound = [&](bool freshHeap) {
        auto dic = std::make_unique<CDictionary>();
        const double took = MicrosecondsOf([&] { dic->EnsureLoaded(); });
        sink += dic->GetSize();
        dic.reset();
        if (freshHeap)
            malloc_trim(0);
        return took;
    };
    for (bool freshHeap : {false, true}) {
        std::vector<double> baseline;
        std::vector<double> load;
        loadRound(freshHeap);
        for (int round = 0; round < kRounds; ++round) {
            baseline.push_back(baselineRound());
            load.push_back(loadRound(freshHeap));
        }
        const double base = Median(baseline) / 1000.0;
        const double took = Median(load) / 1000.0;
        std::printf("%s heap: baseline (read the state files, decode the lists) %.1f ms; "
                    "EnsureLoaded at %d items %.1f ms, %.2fx baseline\n",
                    freshHeap ? "fresh" : "warm ", base, kItems, took, took / base);
    }
    return messages.Texts().isEmpty() && sink > 0 ? 0 : 1;
}

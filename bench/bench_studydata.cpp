#include "../tests/common/MessageRecorder.h"
#include "../tests/common/TestEnv.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDir>
#include <QTest>

// Start-up cost of the study data: parsing the built-in lists with their
// state files, and the exit save with every item changed.
class BenchStudyData : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(TestEnv::Instance().DataFolder()).removeRecursively(); }

    void loadBuiltInLists()
    {
        MessageRecorder messages;
        {
            CDictionary dic;
            for (int i = 0; i < dic.GetTotalItemCount(); ++i)
                dic.GetItem(i)->m_bDirty = 1;
            dic.Save();
        }
        QBENCHMARK
        {
            CDictionary dic;
            dic.EnsureLoaded();
        }
    }

    void saveEverything()
    {
        MessageRecorder messages;
        CDictionary dic;
        dic.EnsureLoaded();
        QBENCHMARK
        {
            for (const auto& list : dic.m_lists)
                for (CDictionary::CItem& item : list->m_items)
                    item.m_bDirty = 1;
            dic.m_bHistDirty = dic.m_bMiscDirty = 1;
            dic.Save();
        }
    }
};

QTEST_GUILESS_MAIN(BenchStudyData)
#include "bench_studydata.moc"

#pragma once

#include "common/FakeWordLists.h"
#include "common/TestEnv.h"
#include "study/CDictionary.h"

#include <QDir>
#include <memory>

// The study data of a test: word lists held in memory for the whole test
// case, and before each test function a fresh start (no state files, no
// settings, a new study-data object that loads on first use).
class StudyData {
public:
    StudyData() = default;
    // The lists are given up when the fixture goes, so a later test case
    // in the same process does not read them by accident.
    ~StudyData() { CDictionary::SetWordListSource(nullptr); }
    StudyData(const StudyData&) = delete;
    StudyData& operator=(const StudyData&) = delete;

    // Makes `lists` the word lists that later loads read.
    void Use(std::shared_ptr<FakeWordLists> lists)
    {
        m_lists = std::move(lists);
        CDictionary::SetWordListSource(m_lists);
    }
    // The same with the lists given in resource order 501, 502, ...; the
    // lists not given are empty.
    void Use(const QList<QStringList>& itemsByList) { Use(MakeLists(itemsByList)); }
    static std::shared_ptr<FakeWordLists> MakeLists(const QList<QStringList>& itemsByList)
    {
        auto lists = std::make_shared<FakeWordLists>();
        for (int k = 0; k < 6; ++k)
            lists->m_lists.insert(501 + k, FakeWordLists::MakeList(itemsByList.value(k)));
        return lists;
    }

    // Forgets the state files, the settings and the study-data object.
    static void Fresh()
    {
        QDir(TestEnv::Instance().DataFolder()).removeRecursively();
        TestEnv::ClearSettings();
        CDictionary::ResetInstanceForTesting();
    }

    // Reads the state files again, as a new start of the program would.
    static void Reload() { CDictionary::ResetInstanceForTesting(); }

    static CDictionary* Dic() { return CDictionary::GetInstance(); }

private:
    std::shared_ptr<FakeWordLists> m_lists;
};

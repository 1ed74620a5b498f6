#include "study/StudyExport.h"

#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QDateTime>
#include <algorithm>

namespace {

QList<ArchivedSetting> LearnerSettings()
{
    QList<ArchivedSetting> settings;
    const QString section = QStringLiteral("Settings");
    for (const IntSetting* setting : Setting::kIntSettings) {
        if (QStringView(setting->m_section) == section)
            settings.append(
                {QString::fromUtf16(setting->m_name), QString::number(GetProfileInt(*setting))});
    }
    for (const StringSetting* setting : Setting::kStringSettings) {
        if (QStringView(setting->m_section) == section)
            settings.append({QString::fromUtf16(setting->m_name), GetProfileString(*setting)});
    }
    return settings;
}

} // namespace

StudyArchive ExportStudyState(CDictionary& dic)
{
    dic.EnsureLoaded();
    StudyArchive archive;
    archive.m_nVersion = kStudyArchiveVersion;
    archive.m_strProgram = GetProductNameAndVersion();
    archive.m_strCreated = QDateTime::fromSecsSinceEpoch(CurrentTime()).toString(Qt::ISODate);

    // Where each global index lies, for the history.
    struct Place {
        const CDictionary::CDicFile* m_pList;
        int m_nPos;
    };
    QList<Place> places;
    for (const auto& list : dic.m_lists) {
        int pos = 0;
        for (const CDictionary::CItem& item : list->m_items) {
            archive.m_items.append({list->m_strName, pos, item.GetWord(), item.GetReading(),
                                    item.m_nMode, item.m_nAskCount});
            places.append({list.get(), pos++});
        }
        if (list->IsOwnList())
            archive.m_ownLists.append({list->m_strName, list->m_strTitle, list->m_ownRows});
    }

    // A record whose index names no item has nothing to be restored to.
    const int current =
        dic.m_nHistPos >= 0 && dic.m_nHistPos < dic.m_history.size() ? dic.m_nHistPos : -1;
    for (int pos = 0; pos < dic.m_history.size(); ++pos) {
        const CDictionary::CHistInfo& record = dic.m_history.at(pos);
        if (record.m_nIndex < 0 || record.m_nIndex >= places.size())
            continue;
        const Place& place = places.at(record.m_nIndex);
        const CDictionary::CItem& item = place.m_pList->m_items[size_t(place.m_nPos)];
        archive.m_history.append({place.m_pList->m_strName, place.m_nPos, item.GetWord(),
                                  item.GetReading(), record.m_bAnswered != 0});
        // When the current record is left out, the one before it stands in.
        if (pos <= current)
            archive.m_nHistoryPos = int(archive.m_history.size()) - 1;
    }

    archive.m_nTotalCount = dic.m_nTotalCount;
    for (auto it = dic.m_mapDayCount.cbegin(); it != dic.m_mapDayCount.cend(); ++it)
        archive.m_dayCounts.append({it.key(), it.value()});
    std::sort(archive.m_dayCounts.begin(), archive.m_dayCounts.end());

    // By item, so that the same state gives the same file.
    for (int index = 0; index < places.size(); ++index) {
        const std::optional<ReviewState> state = dic.GetReviewState(index);
        if (!state)
            continue;
        const Place& place = places.at(index);
        const CDictionary::CItem& item = place.m_pList->m_items[size_t(place.m_nPos)];
        archive.m_reviews.append(
            {place.m_pList->m_strName, place.m_nPos, item.GetWord(), item.GetReading(), *state});
    }

    archive.m_settings = LearnerSettings();
    return archive;
}

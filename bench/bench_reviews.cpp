// The choice with reviews first at growing list sizes, against the present
// choice on the same data in the same run: it should stay flat with size and
// near the present choice. Then "reviews.dat" of 10^6 items loaded and saved,
// against the learning-mode files of the same items.

#include "../tests/common/MessageRecorder.h"
#include "../tests/common/TestEnv.h"
#include "BenchLists.h"
#include "platform/Clock.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/StudyDay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kCalls = 400;
constexpr int kRounds = 5;
// The loads differ by a few milliseconds beside a load of the lists of a
// hundred: the fastest of many rounds is what the files cost.
constexpr int kLoadRounds = 25;
const QDate kToday(2026, 3, 15);

void SetDay(int daysFromToday)
{
    SetCurrentTimeForTesting(
        QDateTime(kToday.addDays(daysFromToday), QTime(12, 0)).toSecsSinceEpoch());
}

// A learner well into the lists: most items filed, and every second item
// reviewed over the last months, so that some thousands are due today.
CDictionary* Prepare(int count)
{
    CDictionary::ResetInstanceForTesting();
    CDictionary::SetWordListSource(MakeBenchLists(count));
    QDir(TestEnv::Instance().DataFolder()).removeRecursively();
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        const int pick = random.bounded(10);
        dic->GetItem(i)->SetMode(qint16(pick < 5 ? Known : pick < 6 ? Learning : Unspec), -1);
    }
    for (int i = 0; i < count; i += 2) {
        SetDay(-random.bounded(90));
        dic->RateItem(i, ReviewRating(1 + random.bounded(4)));
    }
    SetDay(0);
    for (int i = 0; i < 200; ++i)
        dic->AddToHistory(random.bounded(count));
    return dic;
}

// Microseconds per call of the drill's pattern: choose, rate, add to the
// history.
template <typename Choose> double PerCall(CDictionary* dic, Choose choose)
{
    SetQuestionRandomState(12345);
    std::vector<double> samples;
    for (int round = 0; round < kRounds; ++round) {
        samples.push_back(MicrosecondsOf([&] {
                              for (int call = 0; call < kCalls; ++call) {
                                  const int index = choose();
                                  if (index < 0)
                                      continue;
                                  dic->RateItem(index, ReviewRating::Good);
                                  dic->AddToHistory(index);
                              }
                          }) /
                          kCalls);
    }
    return Median(samples);
}

struct Selection {
    double reviews = 0;
    double present = 0;
};

Selection SelectionMicroseconds(int count)
{
    Selection result;
    CDictionary* dic = Prepare(count);
    result.reviews = PerCall(dic, [dic] { return dic->SelectReviewQuestion(0); });
    dic = Prepare(count);
    result.present = PerCall(dic, [dic] { return dic->SelectNextQuestion(0); });
    CDictionary::ResetInstanceForTesting();
    return result;
}

// The time of a fresh load with the given state files beside the lists,
// less the load of the lists alone.
double LoadMicroseconds(const QStringList& keep)
{
    const QString folder = TestEnv::Instance().DataFolder();
    const QString stash = folder + QStringLiteral("../stash/");
    QDir().mkpath(stash);
    std::vector<double> with;
    std::vector<double> without;
    for (int round = 0; round < kLoadRounds; ++round) {
        for (bool files : {true, false}) {
            for (const QString& name : keep) {
                if (files)
                    QFile::rename(stash + name, folder + name);
                else
                    QFile::rename(folder + name, stash + name);
            }
            CDictionary::ResetInstanceForTesting();
            const double us = MicrosecondsOf([] { CDictionary::GetInstance()->EnsureLoaded(); });
            (files ? with : without).push_back(us);
        }
    }
    for (const QString& name : keep)
        QFile::rename(stash + name, folder + name);
    CDictionary::ResetInstanceForTesting();
    // The median of each round's difference: the difference is small beside
    // the load of the lists, and the two loads of a round run one after the
    // other, so what slows the machine for a while slows both. (The fastest
    // of each, taken apart, came from different rounds and swung by half.)
    std::vector<double> differences;
    for (size_t k = 0; k < with.size(); ++k)
        differences.push_back(with[k] - without[k]);
    return std::max(1.0, Median(differences));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessageRecorder messages;
    double select4 = 0;
    double select6 = 0;
    double present6 = 0;
    for (int count : {10000, 100000, 1000000}) {
        const Selection s = SelectionMicroseconds(count);
        std::printf("at %7d items: reviews first %8.2f us per call, present choice %8.2f us\n",
                    count, s.reviews, s.present);
        if (count == 10000)
            select4 = s.reviews;
        if (count == 1000000) {
            select6 = s.reviews;
            present6 = s.present;
        }
    }

    // Every item with a review record and a changed mode, saved once each
    // way: the saves write what is dirty, so each is timed alone.
    const int count = 1000000;
    CDictionary* dic = Prepare(count);
    for (int i = 1; i < count; i += 2)
        dic->RateItem(i, ReviewRating::Hard);
    dic->Save();
    std::vector<double> saveModes;
    std::vector<double> saveReviews;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < count; ++i)
            dic->GetItem(i)->m_bDirty = 1;
        saveModes.push_back(MicrosecondsOf([dic] { dic->Save(); }));
        dic->m_reviews.m_bDirty = true;
        saveReviews.push_back(MicrosecondsOf([dic] { dic->Save(); }));
    }
    QStringList listFiles;
    for (int i = 0; i < dic->GetSize(); ++i)
        listFiles << dic->GetAt(i)->GetFileName();
    CDictionary::ResetInstanceForTesting();
    const double loadModes = LoadMicroseconds(listFiles);
    const double loadReviews = LoadMicroseconds({QStringLiteral("reviews.dat")});
    std::printf("10^6 items: load modes %.0f us, reviews %.0f us; save modes %.0f us, reviews "
                "%.0f us\n",
                loadModes, loadReviews, Median(saveModes), Median(saveReviews));
    std::printf("reviews: select-1e4 %.1f us select-1e6 %.1f us vs-present %.1fx load-vs-modes "
                "%.1fx save-vs-modes %.1fx\n",
                select4, select6, select6 / present6, loadReviews / loadModes,
                Median(saveReviews) / Median(saveModes));
    SetCurrentTimeForTesting(std::nullopt);
    return messages.Texts().isEmpty() ? 0 : 1;
}

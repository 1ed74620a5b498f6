// Question selection at growing list sizes: the time per call should stay
// flat. Each size runs the drill's own pattern (choose, file the item, add it
// to the history) and is compared with a fixed amount of trivial work timed
// in the same run, so the ratios hold on a busy machine too.

#include "../tests/common/MessageRecorder.h"
#include "../tests/common/TestEnv.h"
#include "BenchLists.h"
#include "study/CDictionary.h"
#include "study/CItem.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>

namespace {

constexpr int kCalls = 400;
constexpr int kRounds = 5;

// 1000 draws of Qt's random generator: the yardstick.
double BaselineMicroseconds()
{
    std::vector<double> samples;
    volatile quint32 sink = 0;
    for (int round = 0; round < 50; ++round) {
        samples.push_back(MicrosecondsOf([&] {
            for (int i = 0; i < 1000; ++i)
                sink = sink + QRandomGenerator::global()->bounded(32768u);
        }));
    }
    return Median(samples);
}

double SelectionMicroseconds(int count)
{
    CDictionary::ResetInstanceForTesting();
    CDictionary::SetWordListSource(MakeBenchLists(count));
    CDictionary* dic = CDictionary::GetInstance();
    dic->EnsureLoaded();
    // A learner well into the lists: most items filed, a tenth wanted.
    QRandomGenerator modes(7);
    for (int i = 0; i < count; ++i) {
        const int pick = modes.bounded(10);
        dic->GetItem(i)->SetMode(qint16(pick < 5 ? Known : pick < 6 ? Learning : Unspec), -1);
    }
    for (int i = 0; i < 200; ++i)
        dic->AddToHistory(modes.bounded(count));
    SetQuestionRandomState(12345);

    std::vector<double> samples;
    for (int round = 0; round < kRounds; ++round) {
        samples.push_back(MicrosecondsOf([&] {
                              for (int call = 0; call < kCalls; ++call) {
                                  const int index = dic->SelectNextQuestion(call % 3);
                                  if (index < 0)
                                      continue;
                                  // Filing the item as the drill does changes the counts that
                                  // the next call works with.
                                  dic->GetItem(index)->SetMode(
                                      qint16(call % 2 ? Learned : Learning), -1);
                                  dic->AddToHistory(index);
                              }
                          }) /
                          kCalls);
    }
    CDictionary::ResetInstanceForTesting();
    return Median(samples);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MessageRecorder messages;
    const double baseline = BaselineMicroseconds();
    std::printf("baseline: 1000 random draws %.2f us\n", baseline);
    double first = 0;
    for (int count : {10000, 100000, 1000000}) {
        const double perCall = SelectionMicroseconds(count);
        if (first == 0)
            first = perCall;
        std::printf("SelectNextQuestion at %7d items: %9.2f us per call, %6.2fx baseline, "
                    "%6.2fx the 10^4 figure\n",
                    count, perCall, perCall / baseline, perCall / first);
    }
    return messages.Texts().isEmpty() ? 0 : 1;
}

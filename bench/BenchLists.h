#pragma once

#include "../tests/common/FakeWordLists.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

// Six word lists of count items in all, spread evenly, every line distinct.
inline std::shared_ptr<FakeWordLists> MakeBenchLists(int count)
{
    auto lists = std::make_shared<FakeWordLists>();
    int next = 0;
    for (int list = 0; list < 6; ++list) {
        const int size = count / 6 + (list < count % 6 ? 1 : 0);
        QByteArray text = "#5\r\n";
        text.reserve(size * 40);
        for (int i = 0; i < size; ++i, ++next) {
            const QByteArray n = QByteArray::number(next);
            text += "語" + n + "彙\tご" + n + "い\r\n";
            if (i % 40 == 39)
                text += "\r\n#6\r\n";
        }
        text += "\r\n";
        lists->m_lists.insert(501 + list, text);
    }
    return lists;
}

// The median of the samples, which the busy machine disturbs least.
inline double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

// The processor time the work took on this thread. Other processes on a busy
// machine lengthen the wall-clock time but not this.
template <typename F> double MicrosecondsOf(F&& work)
{
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return (end.tv_sec - start.tv_sec) * 1e6 + (end.tv_nsec - start.tv_nsec) / 1e3;
}

#pragma once

#include "study/StateSnapshot.h"

#include <atomic>
#include <functional>
#include <thread>

// Writes one snapshot on a thread of its own, started at construction; the
// destructor waits for it, so no write outlives the study data.
class CStateWriter {
public:
    explicit CStateWriter(StateSnapshot snapshot);
    ~CStateWriter();
    CStateWriter(const CStateWriter&) = delete;
    CStateWriter& operator=(const CStateWriter&) = delete;

    bool IsDone() const { return m_bDone.load(std::memory_order_acquire); }
    // Waits for the end of the writing.
    const StateWriteOutcome& Wait();
    const StateSnapshot& Snapshot() const { return m_snapshot; }

    // Tests: called on the waiting thread when Wait finds the write still
    // running.
    static void SetWaitObserverForTesting(std::function<void()> observer);

private:
    const StateSnapshot m_snapshot;
    StateWriteOutcome m_outcome;
    std::atomic<bool> m_bDone{false};
    std::thread m_thread; // last: it starts once the rest is in place
};

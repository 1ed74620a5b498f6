#include "study/CStateWriter.h"

namespace {

std::function<void()>& WaitObserver()
{
    static std::function<void()> observer;
    return observer;
}

} // namespace

CStateWriter::CStateWriter(StateSnapshot snapshot)
    : m_snapshot(std::move(snapshot)), m_thread([this] {
          m_outcome = m_snapshot.Write();
          m_bDone.store(true, std::memory_order_release);
      })
{
}

CStateWriter::~CStateWriter()
{
    if (m_thread.joinable())
        m_thread.join();
}

const StateWriteOutcome& CStateWriter::Wait()
{
    if (m_thread.joinable()) {
        if (!IsDone() && WaitObserver())
            WaitObserver()();
        m_thread.join();
    }
    return m_outcome;
}

void CStateWriter::SetWaitObserverForTesting(std::function<void()> observer)
{
    WaitObserver() = std::move(observer);
}

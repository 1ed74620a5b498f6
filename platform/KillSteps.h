#pragma once

// Counts the steps of a run that a kill could fall between, so that tests
// can end the run after any of them, as a crash or a power cut would. Each
// kind of run keeps its own limit (-1: none); once reached it is cleared,
// since what runs next is the start after the "kill".
class KillSteps {
public:
    explicit KillSteps(int& stopAfter) : m_rStopAfter(stopAfter) {}

    // False once the limit is reached: the run is then taken to have ended
    // there.
    bool Next()
    {
        if (m_rStopAfter >= 0 && m_nDone >= m_rStopAfter) {
            m_rStopAfter = -1;
            return false;
        }
        ++m_nDone;
        return true;
    }

private:
    int& m_rStopAfter;
    int m_nDone = 0;
};

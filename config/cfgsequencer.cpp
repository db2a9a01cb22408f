#include "config/cfgsequencer.h"

void CfgSequencer::start()
{
    m_running = true;
    m_position = 0;
    m_retries = 0;
}

CfgSequencer::Verdict CfgSequencer::fail()
{
    if (m_retries >= kMaxRetries) {
        m_retries = 0;
        return Verdict::GiveUp;
    }
    ++m_retries;
    return Verdict::Retry;
}

#pragma once

// The bookkeeping shared by the read and the write sequence: whether a run is going,
// which step it is at, and how many attempts of that step have failed. It works on the
// window's own fields so that every other reader of those fields (the busy guard of the
// immediate settings, tests) sees one truth; what to send and how to judge a reply stay
// with the window.
class CfgSequencer
{
public:
    enum class Verdict
    {
        Retry,  // send the same step once more, with a fresh time-out
        GiveUp, // the step failed twice: end the run with failure
    };

    // Each step gets one resend; a rejected reply and a time-out draw on the same count.
    static constexpr int kMaxRetries = 1;
    static constexpr int kLocalStepTimeoutMs = 2000;
    // A remote node answers through the network, hence the longer wait.
    static constexpr int kRemoteStepTimeoutMs = 5500;

    CfgSequencer(bool &running, int &position, int &retries)
        : m_running(running), m_position(position), m_retries(retries)
    {
    }

    static int stepTimeoutMs(bool localTarget)
    {
        return localTarget ? kLocalStepTimeoutMs : kRemoteStepTimeoutMs;
    }

    // A run starts at its first step with a clean retry count: a count left over from a
    // run stopped during a resend must not cost the new run its first retry.
    void start();
    void finish() { m_running = false; }
    bool isRunning() const { return m_running; }
    int position() const { return m_position; }
    int retries() const { return m_retries; }
    bool pastEnd(int queueSize) const { return m_position >= queueSize; }

    void advance() { ++m_position; }
    // A reply was accepted: the next failure is again the step's first.
    void accept() { m_retries = 0; }
    // A reply was rejected or the step timed out.
    Verdict fail();

private:
    bool &m_running;
    int &m_position;
    int &m_retries;
};

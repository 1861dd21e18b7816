#pragma once

// What a benchmark claims, judged: each claim prints "met" or "NOT met", and
// the program exits non-zero when any claim was not met.
//
// With --quick (the short runs of .ci/run) a benchmark does less work, and a
// claim about a time (a rate or a latency, which a busy machine lowers) is
// still printed but does not fail the run; claims that do not depend on the
// machine's load (counts, ratios of CPU times, memory) always do. A ratio of
// two elapsed times is a claim about a time: the load can fall on one run.
#include <cstdio>
#include <cstring>

namespace zelvan::bench {

class Verdict
{
public:
    // Takes --quick out of the arguments, so the benchmark's own parsing does not see it.
    Verdict(int& argc, char** argv)
    {
        int out = 1;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--quick") == 0)
                m_quick = true;
            else
                argv[out++] = argv[i];
        }
        argc = out;
        argv[argc] = nullptr;
    }

    bool quick() const { return m_quick; }

    // A claim on a count, a ratio of CPU times or memory: "met" or "NOT met", and NOT met fails the
    // run.
    const char* counted(bool met)
    {
        if (!met)
            m_failed = true;
        return met ? "met" : "NOT met";
    }

    // A claim on a time: NOT met fails the run, except in quick mode.
    const char* timed(bool met)
    {
        if (met)
            return "met";
        if (m_quick)
            return "NOT met (a time on a shared machine: not judged in quick mode)";
        m_failed = true;
        return "NOT met";
    }

    int exitCode() const { return m_failed ? 1 : 0; }

private:
    bool m_quick = false;
    bool m_failed = false;
};

} // namespace zelvan::bench

#pragma once

// What every fuzz target shares: the application object that Qt's file and
// text classes expect, and the check that turns a broken rule into a finding.
#include <QCoreApplication>

#include <cstdlib>

namespace zelvan::fuzz {

// Made on the first input, kept for the run.
inline void startApplication()
{
    static int argc = 1;
    static char arg0[] = "zelvan-fuzz";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
}

// A rule the input broke: libFuzzer keeps the input as a finding.
inline void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace zelvan::fuzz

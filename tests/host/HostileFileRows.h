#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <string>
#include <vector>

// The rows of the one hostile-files test. Each runs in a process of its own, the test binary run
// again for that row alone, so nothing the test process built is shared: setUp puts the files in
// place, run meets them with the program's own code and says what went wrong (empty when the
// program coped). The row passes when that process ends with 0 within the time limit and, outside
// the sanitizer builds, within a 1 GiB address space.

namespace testsupport
{
struct HostileFileRow
{
    std::string name;

    /** Writes the row's files; folder is the process's own temporary home, removed afterwards. */
    std::function<void (const juce::File& folder)> setUp;

    /** Runs the program's code on them and returns what is wrong, or nothing. */
    std::function<juce::String (const juce::File& folder)> run;
};

/** Adds rows to the table; call it from a static initialiser in the file holding a subsystem's
    rows: `const bool added = addHostileFileRows ({ ... });`. */
bool addHostileFileRows (std::vector<HostileFileRow> rows);
} // namespace testsupport

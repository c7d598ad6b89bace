#pragma once

#include <juce_core/juce_core.h>

// Per-user folders that the system's settings and reports live in, chosen for this platform.

/** Where the system's log folder lies: $XDG_STATE_HOME when set to an absolute path,
    otherwise ~/.local/state. */
juce::File platformLogBaseFolder();

/** Where the folder shared by every instance lies: $XDG_CONFIG_HOME when set to an absolute path,
    otherwise ~/.config. */
juce::File platformSharedFolder();

/** Creates the file only if no file of that name exists, as one atomic step, so that two programs
    can never both take the name. */
enum class FileClaim { claimed, taken, failed };
FileClaim claimNewFile (const juce::File& file);

#pragma once

#include <juce_events/juce_events.h>

namespace testsupport
{
// The program's windows live in a framework running as an application, which among other things
// absorbs the X server's complaints about window-manager atoms that Xvfb lacks. A test binary whose
// windows (dialogs too) must run in the same mode includes this; it takes effect before the test
// main starts the framework.
[[maybe_unused]] inline const bool windowsRunAsInAnApplication = []
{
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    return true;
}();
} // namespace testsupport

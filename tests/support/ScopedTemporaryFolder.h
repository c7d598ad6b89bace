#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
/** A fresh, empty folder under the system's temporary folder, deleted with everything in it when
    the object goes. */
class ScopedTemporaryFolder
{
public:
    ScopedTemporaryFolder();
    ~ScopedTemporaryFolder();

    const juce::File& getFolder() const { return folder; }

    /** A file or folder inside, by relative path ("a/b/report.xml"); nothing is created. */
    juce::File getChildFile (const juce::String& relativePath) const { return folder.getChildFile (relativePath); }

private:
    juce::File folder;

    JUCE_DECLARE_NON_COPYABLE (ScopedTemporaryFolder)
};
} // namespace testsupport

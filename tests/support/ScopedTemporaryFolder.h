#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
/** A fresh, empty folder under the system's temporary folder, deleted with everything in it when
    the object goes. */
class ScopedTemporaryFolder
{
public:
    ScopedTemporaryFolder() { folder.createDirectory(); }
    ~ScopedTemporaryFolder() { folder.deleteRecursively(); }

    const juce::File& getFolder() const { return folder; }

    /** A file or folder inside, by relative path ("a/b/report.xml"); nothing is created. */
    juce::File getChildFile (const juce::String& relativePath) const { return folder.getChildFile (relativePath); }

private:
    const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile ("nolv_test_" + juce::String::toHexString (juce::Random().nextInt64()), {}, false);

    JUCE_DECLARE_NON_COPYABLE (ScopedTemporaryFolder)
};
} // namespace testsupport

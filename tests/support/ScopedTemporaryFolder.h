#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
/** Whether the file lies inside the folder, and so does everything a chain of symbolic links from
    it leads to: what a test writes there stays inside. */
inline bool leadsOnlyInside (juce::File file, const juce::File& folder)
{
    for (int link = 0; link < 8; ++link)
    {
        if (! file.isAChildOf (folder))
            return false;

        if (! file.isSymbolicLink())
            return true;

        file = file.getLinkedTarget();
    }

    return false;
}

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

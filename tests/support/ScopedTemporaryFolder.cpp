#include "ScopedTemporaryFolder.h"

namespace testsupport
{
ScopedTemporaryFolder::ScopedTemporaryFolder()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getNonexistentChildFile ("nolv_test_" + juce::String::toHexString (juce::Random().nextInt64()), {}, false))
{
    folder.createDirectory();
}

ScopedTemporaryFolder::~ScopedTemporaryFolder()
{
    folder.deleteRecursively();
}
} // namespace testsupport

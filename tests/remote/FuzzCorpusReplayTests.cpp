#include "QITOSCStandalone.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

/** Every input of the packet parser's fuzzing corpus goes through a server's receive path: none may
    escape it or crash it, and the seeds keep their effect. */
TEST (FuzzCorpusReplay, EveryCorpusInputIsParsedWithoutEscapingOrCrashing)
{
    const auto inputs = juce::File (NOLV_FUZZ_CORPUS_DIR).findChildFiles (juce::File::findFiles, false);
    ASSERT_GE (inputs.size(), 5);

    testsupport::StdoutCapture out;
    QITOSCStandalone server;

    for (const auto& input : inputs)
    {
        juce::MemoryBlock bytes;
        ASSERT_TRUE (input.loadFileAsData (bytes));
        EXPECT_NO_THROW (server.messageReceived (bytes, 1)) << input.getFileName();
    }

    // Among the seeds: an unlock and a scale of 1 in one bundle.
    EXPECT_NE (out.text().find ("\n1"), std::string::npos);
}

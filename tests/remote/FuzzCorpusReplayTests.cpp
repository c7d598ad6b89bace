#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <regex>

/** Every input of the packet parser's fuzzing corpus goes through a server's receive path: each may
    print only the server's own lines and leaves a server that still sends its whole bundle, and
    the seeds keep their effect. */
TEST (FuzzCorpusReplay, EveryCorpusInputPrintsOnlyTheServersLinesAndLeavesItsBundleWhole)
{
    const auto inputs = juce::File (NOLV_FUZZ_CORPUS_DIR).findChildFiles (juce::File::findFiles, false);
    ASSERT_GE (inputs.size(), 5);

    const std::regex serverLines (R"(((\n-?[0-9.e+]+)|(error while parsing message: [^\n]*: (missing argument|too many arguments|wrong argument type)\n))*)");
    testsupport::StdoutCapture out;
    remotetest::ManualClock clock;
    QITOSCStandalone server (clock.reader());
    std::string printed;

    for (const auto& input : inputs)
    {
        juce::MemoryBlock bytes;
        ASSERT_TRUE (input.loadFileAsData (bytes));
        clock.advance (1000.0); // a second of printed lines for each input
        out.clear();
        server.messageReceived (bytes, 1);
        EXPECT_TRUE (std::regex_match (out.text(), serverLines)) << input.getFileName() << ": " << out.text();
        EXPECT_EQ (remotetest::decodeBundle (server.getPacketData()).size(), 52u) << input.getFileName();
        printed += out.text();
    }

    // Among the seeds: an unlock and a scale of 1 in one bundle.
    EXPECT_NE (printed.find ("\n1"), std::string::npos);
}

#include "DefaultLogLocations.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"

#include <gtest/gtest.h>

namespace
{
using Processor = OvexjuceLoudnessAudioProcessor;

juce::MemoryBlock saved (Processor& p)
{
    juce::MemoryBlock blob;
    p.getStateInformation (blob);
    return blob;
}

juce::String savedText (Processor& p)
{
    const auto blob = saved (p);
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, (int) blob.getSize() - 9);
}

/** A blob in the framework's envelope around the given text. */
juce::MemoryBlock envelope (const juce::String& text, int magic = 0x21324356)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (magic);
    out.writeInt ((int) text.getNumBytesAsUTF8());
    out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
    out.writeByte (0);
    return block;
}

bool restore (Processor& p, const juce::MemoryBlock& blob) { return p.restoreState (blob.getData(), (int) blob.getSize()); }
} // namespace

TEST (ProcessorState, FreshStateIsOneHeaderlessElementInTheFrameworksEnvelopeWithNumbersInFull)
{
    Processor p (nullptr);
    p.setParameterValue (6, 0.1f);
    const juce::String expected = "<MYPLUGINSETTINGS measurementStandard=\"0\" measurementScale=\"0\" measurementUnit=\"0\" "
                                  "gatingOffFlag=\"0\" followTransportFlag=\"0\" truePeakRefLevel=\"0.10000000149011611938\" truePeakMaxLevel=\"-1\" "
                                  "truePeakHoldTime=\"3\" truePeakOverloadTime=\"3\" shtMaxLevel=\"-24\" stereoMixdownFlag=\"0\" "
                                  "vectroscopeInputDataFlag=\"0\" settingsInputLayout=\"-1;-1;-1;-1;-1;-1;\" "
                                  "settingsOutputLayout=\"-1;-1;-1;-1;-1;-1;\" logFilePath=\""
                                + defaultLogFolder().getFullPathName() + "\" logFileName=\"NOLV51Log\"/>";
    EXPECT_EQ (saved (p), envelope (expected));

    p.setDefaultInputRouting();
    p.setDefaultOutputRouting();
    EXPECT_EQ (p.inputRouting, (ChannelRouting { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ (p.outputRouting, (ChannelRouting { 0, 1, 2, 3, 4, 5 }));
    EXPECT_TRUE (savedText (p).contains ("settingsInputLayout=\"0;1;2;3;4;5;\" settingsOutputLayout=\"0;1;2;3;4;5;\""));
}

TEST (ProcessorState, SettersStoreEachIndexUnclampedUnderItsOwnAttributeAndIgnoreTheRest)
{
    Processor p (nullptr);
    const auto before = savedText (p);

    for (int ignored : { 13, 14, 15, -1, 17 })
        p.setParameterValue (ignored, 5.0f);

    p.setStringParameter (13, "secret");
    EXPECT_EQ (savedText (p), before);
    EXPECT_EQ (p.params.adminPassword, ParameterBlock().adminPassword);

    for (int i = 1; i <= 12; ++i)
        p.setParameterValue (i, 100.0f + (float) i);

    EXPECT_TRUE (savedText (p).startsWith ("<MYPLUGINSETTINGS measurementStandard=\"101\" measurementScale=\"102\" measurementUnit=\"103\" "
                                           "gatingOffFlag=\"104\" followTransportFlag=\"105\" truePeakRefLevel=\"106\" truePeakMaxLevel=\"107\" "
                                           "truePeakHoldTime=\"108\" truePeakOverloadTime=\"109\" shtMaxLevel=\"110\" stereoMixdownFlag=\"111\" "
                                           "vectroscopeInputDataFlag=\"112\" ")) << savedText (p);

    p.setParameterValue (16, 0.5f);
    EXPECT_TRUE (p.params.stereoState);
    p.setParameterValue (16, 0.0f);
    EXPECT_FALSE (p.params.stereoState);
}

TEST (ProcessorState, RoundTripRestoresParametersLayoutsAndStrings)
{
    Processor original (nullptr), restored (nullptr);

    for (int i = 1; i <= 12; ++i)
        original.setParameterValue (i, 0.1f * (float) i - 0.5f);

    original.setInputLayout ({ 3, 2, -1, 0, -1, 5 });
    original.setOutputLayout ({ 1, 0, 2, 3, 4, 5 });
    const auto name = juce::String::fromUTF8 ("Nachrichten & Wetter ß");
    original.setStringParameter (14, juce::String::fromUTF8 ("/tmp/Émissions & \"Berichte\" <Ω>"));
    original.setStringParameter (15, name);
    EXPECT_TRUE (restore (restored, saved (original)));
    EXPECT_EQ (savedText (restored), savedText (original));
    EXPECT_EQ (restored.inputRouting, (ChannelRouting { 2, 1, -1, 0, -1, 3 }));
    EXPECT_EQ (restored.params.logFileName, name);
}

TEST (ProcessorState, UnreadableOrHostileBlobsRestoreEveryDefaultAndNeverReachTheParser)
{
    juce::String nested = "<MYPLUGINSETTINGS shtMaxLevel=\"-5\">";

    for (int i = 0; i < 40000; ++i)
        nested << "<a>";

    for (int i = 0; i < 40000; ++i)
        nested << "</a>";

    auto zeroLength = envelope ("<MYPLUGINSETTINGS/>");
    zeroLength[4] = 0;
    const juce::MemoryBlock blobs[] = {
        juce::MemoryBlock ("\x56\x43\x32\x21", 4), envelope ("<MYPLUGINSETTINGS shtMaxLevel=\"-5\"/>", 0x12345678), zeroLength,
        envelope ("MYPLUGINSETTINGS shtMaxLevel=-5"), juce::MemoryBlock(),
        // Well formed, but deeper or larger than any state written.
        envelope (nested + "</MYPLUGINSETTINGS>"),
        envelope ("<MYPLUGINSETTINGS shtMaxLevel=\"-5\" logFileName=\"" + juce::String::repeatedString ("x", 70000) + "\"/>"),
        // The framework escapes both angle brackets, so a raw one in a value was not written by it.
        envelope ("<MYPLUGINSETTINGS shtMaxLevel=\"-5\" logFilePath=\"/a/b>c\"/>"),
    };
    Processor reference (nullptr);
    reference.setInputLayout ({ 0, 1, -1, -1, -1, -1 }); // layouts are not parameters

    for (const auto& blob : blobs)
    {
        Processor p (nullptr);
        p.setParameterValue (10, -9.0f);
        p.setStringParameter (15, "Changed");
        p.setInputLayout ({ 0, 1, -1, -1, -1, -1 });
        EXPECT_FALSE (restore (p, blob)) << blob.toBase64Encoding().substring (0, 60);
        EXPECT_EQ (savedText (p), savedText (reference)) << blob.toBase64Encoding().substring (0, 60);
    }
}

TEST (ProcessorState, RestoreReadsWhatThereIsAndKeepsWhatIsMissing)
{
    Processor p (nullptr);
    p.setParameterValue (7, -3.0f);
    p.setParameterValue (8, 7.0f);
    p.setInputLayout ({ 0, 1, 2, 3, 4, 5 });

    EXPECT_FALSE (restore (p, envelope ("<myPluginSettings truePeakHoldTime=\"abc\" shtMaxLevel=\"-12.5\" settingsOutputLayout=\"3;2\" logFileName=\"Morning\"/>")));
    EXPECT_EQ (p.params.truePeakMaxLevel, -3.0f);
    EXPECT_EQ (p.params.truePeakHoldTime, 0.0f);
    EXPECT_EQ (p.params.shtMaxLevel, -12.5f);
    EXPECT_EQ (p.params.logFileName, "Morning");
    EXPECT_EQ (p.inputLayout, (ChannelLayout { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ (p.outputLayout, (ChannelLayout { 3, 2, 0, 0, 0, 0 }));

    restore (p, envelope ("<OTHER shtMaxLevel=\"-1\"/>"));
    EXPECT_EQ (p.params.shtMaxLevel, -12.5f);
}

TEST (ChannelRouting, EachRoleGetsItsChannelsPositionAmongTheActiveOnes)
{
    struct Case { ChannelLayout layout; ChannelRouting routing; };
    const Case cases[] = {
        { { 0, 1, 2, 3, 4, 5 }, { 0, 1, 2, 3, 4, 5 } },
        { { -1, -1, -1, -1, -1, -1 }, { -1, -1, -1, -1, -1, -1 } },
        { { 9, 8, -1, -1, -1, -1 }, { 1, 0, -1, -1, -1, -1 } },
        { { 3, 7, -1, 0, -1, 5 }, { 1, 3, -1, 0, -1, 2 } },
        // Roles sharing a channel share its position, and positions count distinct channels.
        { { 0, 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 } },
        { { 0, 0, 1, -1, -1, -1 }, { 0, 0, 1, -1, -1, -1 } },
        // A negative entry of any kind leaves the role unassigned.
        { { -5, 2, 4, -1, -1, -1 }, { -1, 0, 1, -1, -1, -1 } },
    };

    for (const auto& c : cases)
        EXPECT_EQ (deriveRouting (c.layout), c.routing) << layoutToText (c.layout);

    EXPECT_EQ (layoutFromText ("-1;x;7;"), (ChannelLayout { -1, 0, 7, 0, 0, 0 }));
}

TEST (ProcessorLifecycle, PreparingHandsTheModuleToTheLoudnessThreadAndReleasingTakesItBack)
{
    auto p = std::unique_ptr<Processor> (createPluginFilter (nullptr));
    auto& thread = ProcessorTestAccess::loudnessThread (*p);
    EXPECT_TRUE (thread.isThreadRunning());

    p->setPlayConfigDetails (6, 6, 48000.0, 512);
    p->prepareToPlay (48000.0, 512);
    EXPECT_EQ (thread.getNumClients(), 1);
    p->releaseResources();
    EXPECT_EQ (thread.getNumClients(), 0);
}

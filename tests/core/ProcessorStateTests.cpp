#include "DefaultLogLocations.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"

#include <gtest/gtest.h>

namespace
{
juce::String savedText (OvexjuceLoudnessAudioProcessor& p)
{
    juce::MemoryBlock blob;
    p.getStateInformation (blob);
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

void restore (OvexjuceLoudnessAudioProcessor& p, const juce::MemoryBlock& blob)
{
    p.setStateInformation (blob.getData(), (int) blob.getSize());
}
} // namespace

TEST (ProcessorParameters, FreshProcessorHoldsTheDefaults)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    const juce::String expected = "<MYPLUGINSETTINGS measurementStandard=\"0\" measurementScale=\"0\" measurementUnit=\"0\" "
                                  "gatingOffFlag=\"0\" followTransportFlag=\"0\" truePeakRefLevel=\"0\" truePeakMaxLevel=\"-1\" "
                                  "truePeakHoldTime=\"3\" truePeakOverloadTime=\"3\" shtMaxLevel=\"-24\" stereoMixdownFlag=\"0\" "
                                  "vectroscopeInputDataFlag=\"0\" settingsInputLayout=\"-1;-1;-1;-1;-1;-1;\" "
                                  "settingsOutputLayout=\"-1;-1;-1;-1;-1;-1;\" logFilePath=\""
                                + defaultLogFolder().getFullPathName() + "\" logFileName=\"NOLV51Log\"/>";
    EXPECT_EQ (savedText (p), expected);
    EXPECT_TRUE (defaultLogFolder().getFullPathName().endsWith ("/miLOR/NOLV"));
    EXPECT_EQ (std::make_tuple (p.params.runFlag, p.params.adminPassword, p.params.stereoState), std::make_tuple (0.0f, 9275, false));
}

TEST (ProcessorParameters, SetterStoresEachIndexUnclampedAndIgnoresTheRest)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    const auto before = savedText (p);

    for (int ignored : { 13, 14, 15, -1, 17 })
        p.setParameterValue (ignored, 5.0f);

    EXPECT_EQ (savedText (p), before);
    EXPECT_EQ (p.params.adminPassword, 9275);

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

    p.setStringParameter (13, "secret");
    p.setStringParameter (14, "");
    p.setStringParameter (15, "Show");
    EXPECT_EQ (p.params.logFilePath, "");
    EXPECT_EQ (p.params.logFileName, "Show");
    EXPECT_EQ (p.params.adminPassword, 9275);
}

TEST (ProcessorState, BlobIsTheFrameworksEnvelopeAroundOneHeaderlessElementWithNumbersInFull)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    p.setParameterValue (7, 0.1f);
    juce::MemoryBlock blob;
    p.getStateInformation (blob);
    const auto text = savedText (p);

    EXPECT_EQ (blob, envelope (text));
    EXPECT_TRUE (text.startsWith ("<MYPLUGINSETTINGS "));
    EXPECT_TRUE (text.contains (" truePeakMaxLevel=\"0.10000000149011611938\" ")) << text;
}

TEST (ProcessorState, RoundTripRestoresParametersLayoutsAndStrings)
{
    OvexjuceLoudnessAudioProcessor saved (nullptr), restored (nullptr), fresh (nullptr), other (nullptr);

    for (int i = 1; i <= 12; ++i)
        saved.setParameterValue (i, 0.1f * (float) i - 0.5f);

    saved.setInputLayout ({ 3, 2, -1, 0, -1, 5 });
    saved.setOutputLayout ({ 1, 0, 2, 3, 4, 5 });
    saved.setStringParameter (14, "/tmp/Émissions & \"Berichte\" <Ω>");
    saved.setStringParameter (15, "Nachrichten & Wetter ß");
    restore (restored, envelope (savedText (saved)));
    EXPECT_EQ (savedText (restored), savedText (saved));
    EXPECT_EQ (restored.inputRouting, (ChannelRouting { 2, 1, -1, 0, -1, 3 }));

    restore (other, envelope (savedText (fresh)));
    EXPECT_EQ (savedText (other), savedText (fresh));
    EXPECT_EQ (other.outputRouting, (ChannelRouting { -1, -1, -1, -1, -1, -1 }));
}

TEST (ProcessorState, UnreadableBlobsRestoreEveryDefault)
{
    auto zeroLength = envelope ("<MYPLUGINSETTINGS/>");
    zeroLength[4] = 0;
    const juce::MemoryBlock blobs[] = { juce::MemoryBlock ("\x56\x43\x32\x21", 4), envelope ("<MYPLUGINSETTINGS shtMaxLevel=\"-5\"/>", 0x12345678),
                                        zeroLength, envelope ("MYPLUGINSETTINGS shtMaxLevel=-5"), juce::MemoryBlock() };
    OvexjuceLoudnessAudioProcessor reference (nullptr);
    reference.setInputLayout ({ 0, 1, -1, -1, -1, -1 }); // layouts are not parameters

    for (const auto& blob : blobs)
    {
        OvexjuceLoudnessAudioProcessor p (nullptr);
        p.setParameterValue (10, -5.0f);
        p.setStringParameter (15, "Changed");
        p.setInputLayout ({ 0, 1, -1, -1, -1, -1 });
        restore (p, blob);
        EXPECT_EQ (savedText (p), savedText (reference)) << blob.toBase64Encoding();
    }
}

TEST (ProcessorState, HostileButWellFormedStatesCountAsNoStateAndNeverReachTheParser)
{
    juce::String nested = "<MYPLUGINSETTINGS shtMaxLevel=\"-5\">";

    for (int i = 0; i < 40000; ++i)
        nested << "<a>";

    for (int i = 0; i < 40000; ++i)
        nested << "</a>";

    nested << "</MYPLUGINSETTINGS>";
    const juce::String huge = "<MYPLUGINSETTINGS shtMaxLevel=\"-5\" logFileName=\"" + juce::String::repeatedString ("x", 70000) + "\"/>";
    const juce::String child = "<MYPLUGINSETTINGS shtMaxLevel=\"-5\"><settingsInputLayout/></MYPLUGINSETTINGS>";
    const juce::String quoted = "<MYPLUGINSETTINGS shtMaxLevel=\"-5\" logFilePath=\"/a/b>c\" logFileName=\"x'y\"/>";

    for (const auto& text : { nested, huge, child })
    {
        OvexjuceLoudnessAudioProcessor p (nullptr);
        p.setParameterValue (10, -9.0f);
        EXPECT_FALSE (p.restoreState (envelope (text).getData(), (int) envelope (text).getSize())) << text.substring (0, 60);
        EXPECT_EQ (p.params.shtMaxLevel, -24.0f) << text.substring (0, 60);
    }

    // Quoted angle brackets and slashes are no nesting.
    OvexjuceLoudnessAudioProcessor p (nullptr);
    restore (p, envelope (quoted));
    EXPECT_EQ (p.params.shtMaxLevel, -5.0f);
    EXPECT_EQ (p.params.logFilePath, "/a/b>c");
}

TEST (ProcessorState, RestoreReadsWhatThereIsAndKeepsWhatIsMissing)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    p.setParameterValue (7, -3.0f);
    p.setParameterValue (8, 7.0f);
    p.setInputLayout ({ 0, 1, 2, 3, 4, 5 });

    restore (p, envelope ("<myPluginSettings truePeakHoldTime=\"abc\" shtMaxLevel=\"-12.5\" settingsOutputLayout=\"3;2\" logFileName=\"Morning\"/>"));
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
        { { 0, 1, -1, -1, -1, -1 }, { 0, 1, -1, -1, -1, -1 } },
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

    EXPECT_EQ (layoutFromText ("3;2"), (ChannelLayout { 3, 2, 0, 0, 0, 0 }));
    EXPECT_EQ (layoutFromText ("-1;x;7;"), (ChannelLayout { -1, 0, 7, 0, 0, 0 }));
}

TEST (ChannelRouting, DefaultRoutingIsTheIdentityAndSavesAsSuch)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    p.setDefaultInputRouting();
    p.setDefaultOutputRouting();
    EXPECT_EQ (p.inputLayout, (ChannelLayout { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ (p.outputRouting, (ChannelRouting { 0, 1, 2, 3, 4, 5 }));
    EXPECT_TRUE (savedText (p).contains ("settingsInputLayout=\"0;1;2;3;4;5;\" settingsOutputLayout=\"0;1;2;3;4;5;\""));
}

TEST (ProcessorLifecycle, LoudnessThreadRunsUnderItsNameFromConstructionAndServesThePreparedModule)
{
    auto p = std::unique_ptr<OvexjuceLoudnessAudioProcessor> (createPluginFilter (nullptr));
    auto& thread = ProcessorTestAccess::loudnessThread (*p);
    EXPECT_EQ (thread.getThreadName(), "NOLV Loudness Thread");
    EXPECT_TRUE (thread.isThreadRunning());

    p->setPlayConfigDetails (6, 6, 48000.0, 512);
    p->prepareToPlay (48000.0, 512);
    EXPECT_EQ (thread.getNumClients(), 1);
    p->releaseResources();
    EXPECT_EQ (thread.getNumClients(), 0);
}

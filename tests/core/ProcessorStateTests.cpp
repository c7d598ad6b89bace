#include "DefaultLogLocations.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
juce::MemoryBlock stateOf (OvexjuceLoudnessAudioProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation (block);
    return block;
}

juce::String textOf (const juce::MemoryBlock& blob)
{
    const auto length = (size_t) juce::ByteOrder::littleEndianInt (static_cast<const char*> (blob.getData()) + 4);
    return juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, (int) length);
}

/** A blob in the framework's envelope around the given text. */
juce::MemoryBlock envelope (const juce::String& text, juce::uint32 magic = 0x21324356)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt ((int) magic);
    out.writeInt ((int) text.getNumBytesAsUTF8());
    out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
    out.writeByte (0);
    return block;
}

void restore (OvexjuceLoudnessAudioProcessor& p, const juce::MemoryBlock& blob)
{
    p.setStateInformation (blob.getData(), (int) blob.getSize());
}

void expectDefaults (const ParameterBlock& b)
{
    EXPECT_EQ (b.runFlag, 0.0f);
    EXPECT_EQ (b.measurementStandard, 0.0f);
    EXPECT_EQ (b.truePeakMaxLevel, -1.0f);
    EXPECT_EQ (b.truePeakHoldTime, 3.0f);
    EXPECT_EQ (b.truePeakOverloadTime, 3.0f);
    EXPECT_EQ (b.shtMaxLevel, -24.0f);
    EXPECT_EQ (b.adminPassword, 9275);
    EXPECT_EQ (b.stereoMixdownFlag, 0.0f);
    EXPECT_EQ (b.vectroscopeInputDataFlag, 0.0f);
    EXPECT_FALSE (b.stereoState);
    EXPECT_EQ (b.logFilePath, defaultLogFolder().getFullPathName());
    EXPECT_EQ (b.logFileName, "NOLV51Log");
}
} // namespace

TEST (ProcessorParameters, FreshProcessorHoldsDefaultsAndAnInertHostInterface)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    expectDefaults (p.params);
    EXPECT_EQ (p.getName(), "QIT5.1Extended");
    EXPECT_EQ (p.getNumParameters(), 17);

    for (int i = 0; i < 17; ++i)
    {
        p.setParameter (i, 0.7f);
        EXPECT_EQ (p.getParameter (i), 0.0f);
        EXPECT_EQ (p.getParameterName (i), "");
        EXPECT_EQ (p.getParameterText (i), "0.00");
    }

    expectDefaults (p.params);
    EXPECT_EQ (p.getInputChannelName (0), "1");
    EXPECT_TRUE (defaultLogFolder().getFullPathName().endsWith ("/miLOR/NOLV"));
}

TEST (ProcessorParameters, SetterStoresEachIndexUnclampedAndIgnoresTheRest)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);

    for (int i = 1; i <= 12; ++i)
        p.setParameterValue (i, 100.0f + (float) i);

    const float* fields[] = { &p.params.measurementStandard, &p.params.measurementScale, &p.params.measurementUnit,
                              &p.params.gatingOffFlag, &p.params.followTransportFlag, &p.params.truePeakRefLevel,
                              &p.params.truePeakMaxLevel, &p.params.truePeakHoldTime, &p.params.truePeakOverloadTime,
                              &p.params.shtMaxLevel, &p.params.stereoMixdownFlag, &p.params.vectroscopeInputDataFlag };

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ (*fields[i], 101.0f + (float) i) << "index " << i + 1;

    p.setParameterValue (16, 0.5f);
    EXPECT_TRUE (p.params.stereoState);
    p.setParameterValue (16, 0.0f);
    EXPECT_FALSE (p.params.stereoState);

    const auto before = p.params.logFilePath;

    for (int ignored : { 13, 14, 15, -1, 17 })
        p.setParameterValue (ignored, 5.0f);

    EXPECT_EQ (p.params.logFilePath, before);
    EXPECT_EQ (p.params.adminPassword, 9275);

    p.setStringParameter (13, "secret");
    p.setStringParameter (14, "");
    p.setStringParameter (15, "Show");
    EXPECT_EQ (p.params.logFilePath, "");
    EXPECT_EQ (p.params.logFileName, "Show");
    EXPECT_EQ (p.params.adminPassword, 9275);
}

TEST (ProcessorState, BlobIsTheEnvelopeAroundOneHeaderlessElement)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    const auto blob = stateOf (p);
    const auto* bytes = static_cast<const unsigned char*> (blob.getData());

    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (bytes[0], 0x56);
    EXPECT_EQ (bytes[1], 0x43);
    EXPECT_EQ (bytes[2], 0x32);
    EXPECT_EQ (bytes[3], 0x21);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4) + 9, blob.getSize());
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);

    const juce::String expected = "<MYPLUGINSETTINGS measurementStandard=\"0\" measurementScale=\"0\" measurementUnit=\"0\" "
                                  "gatingOffFlag=\"0\" followTransportFlag=\"0\" truePeakRefLevel=\"0\" truePeakMaxLevel=\"-1\" "
                                  "truePeakHoldTime=\"3\" truePeakOverloadTime=\"3\" shtMaxLevel=\"-24\" stereoMixdownFlag=\"0\" "
                                  "vectroscopeInputDataFlag=\"0\" settingsInputLayout=\"-1;-1;-1;-1;-1;-1;\" "
                                  "settingsOutputLayout=\"-1;-1;-1;-1;-1;-1;\" logFilePath=\""
                                + defaultLogFolder().getFullPathName() + "\" logFileName=\"NOLV51Log\"/>";
    EXPECT_EQ (textOf (blob), expected);

    p.setParameterValue (7, 0.1f);
    EXPECT_TRUE (textOf (stateOf (p)).contains ("truePeakMaxLevel=\"0.10000000149011611938\""));
}

TEST (ProcessorState, RoundTripRestoresParametersLayoutsAndStrings)
{
    OvexjuceLoudnessAudioProcessor saved (nullptr);

    for (int i = 1; i <= 12; ++i)
        saved.setParameterValue (i, 0.1f * (float) i - 0.5f);

    saved.setInputLayout ({ 3, 2, -1, 0, -1, 5 });
    saved.setOutputLayout ({ 1, 0, 2, 3, 4, 5 });
    saved.setStringParameter (14, "/tmp/Émissions & \"Berichte\" <Ω>");
    saved.setStringParameter (15, "Nachrichten & Wetter ß");
    saved.setParameterValue (0, 1.0f);

    OvexjuceLoudnessAudioProcessor restored (nullptr);
    restore (restored, stateOf (saved));

    const auto& a = saved.params;
    const auto& b = restored.params;

    for (auto field : { &ParameterBlock::measurementStandard, &ParameterBlock::measurementScale, &ParameterBlock::measurementUnit,
                        &ParameterBlock::gatingOffFlag, &ParameterBlock::followTransportFlag, &ParameterBlock::truePeakRefLevel,
                        &ParameterBlock::truePeakMaxLevel, &ParameterBlock::truePeakHoldTime, &ParameterBlock::truePeakOverloadTime,
                        &ParameterBlock::shtMaxLevel, &ParameterBlock::stereoMixdownFlag, &ParameterBlock::vectroscopeInputDataFlag })
        EXPECT_EQ (a.*field, b.*field);

    EXPECT_EQ (b.runFlag, 0.0f);
    EXPECT_EQ (b.logFilePath, a.logFilePath);
    EXPECT_EQ (b.logFileName, a.logFileName);
    EXPECT_EQ (restored.inputLayout, saved.inputLayout);
    EXPECT_EQ (restored.outputLayout, saved.outputLayout);
    EXPECT_EQ (restored.inputRouting, (ChannelRouting { 2, 1, -1, 0, -1, 3 }));

    OvexjuceLoudnessAudioProcessor fresh (nullptr), other (nullptr);
    restore (other, stateOf (fresh));
    expectDefaults (other.params);
    EXPECT_EQ (other.inputLayout, unassignedLayout);
    EXPECT_EQ (other.outputRouting, (ChannelRouting { -1, -1, -1, -1, -1, -1 }));
}

TEST (ProcessorState, UnreadableBlobsRestoreEveryDefault)
{
    juce::MemoryBlock magicOnly;
    magicOnly.append ("\x56\x43\x32\x21", 4);
    auto zeroLength = envelope ("<MYPLUGINSETTINGS/>");
    zeroLength[4] = zeroLength[5] = zeroLength[6] = zeroLength[7] = 0;

    const juce::MemoryBlock blobs[] = { magicOnly, envelope ("<MYPLUGINSETTINGS shtMaxLevel=\"-5\"/>", 0x12345678),
                                        zeroLength, envelope ("MYPLUGINSETTINGS shtMaxLevel=-5"), juce::MemoryBlock() };

    for (const auto& blob : blobs)
    {
        SCOPED_TRACE (juce::String::toHexString (blob.getData(), juce::jmin (12, (int) blob.getSize())).toStdString());
        OvexjuceLoudnessAudioProcessor p (nullptr);
        p.setParameterValue (10, -5.0f);
        p.setStringParameter (15, "Changed");
        p.setInputLayout ({ 0, 1, -1, -1, -1, -1 });
        restore (p, blob);
        expectDefaults (p.params);
        EXPECT_EQ (p.inputLayout, (ChannelLayout { 0, 1, -1, -1, -1, -1 }));
    }
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

TEST (ProcessorLifecycle, LoudnessThreadRunsUnderItsNameFromConstruction)
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

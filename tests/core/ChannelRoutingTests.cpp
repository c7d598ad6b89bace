#include "ChannelLayout.h"
#include "OvexjuceLoudnessAudioProcessor.h"

#include <gtest/gtest.h>

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
}

TEST (ChannelRouting, LayoutTextHasSixEntriesEachClosedBySemicolon)
{
    EXPECT_EQ (layoutToText ({ 0, 1, 2, 3, 4, 5 }), "0;1;2;3;4;5;");
    EXPECT_EQ (layoutToText (unassignedLayout), "-1;-1;-1;-1;-1;-1;");
    EXPECT_EQ (layoutFromText ("3;2"), (ChannelLayout { 3, 2, 0, 0, 0, 0 }));
    EXPECT_EQ (layoutFromText ("-1;x;7;"), (ChannelLayout { -1, 0, 7, 0, 0, 0 }));
    EXPECT_EQ (layoutFromText (""), (ChannelLayout { 0, 0, 0, 0, 0, 0 }));
}

TEST (ChannelRouting, DefaultRoutingIsTheIdentityAndSavesAsSuch)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    p.setDefaultInputRouting();
    p.setDefaultOutputRouting();
    EXPECT_EQ (p.inputLayout, (ChannelLayout { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ (p.outputRouting, (ChannelRouting { 0, 1, 2, 3, 4, 5 }));

    juce::MemoryBlock blob;
    p.getStateInformation (blob);
    const auto text = juce::String::fromUTF8 (static_cast<const char*> (blob.getData()) + 8, (int) blob.getSize() - 9);
    EXPECT_TRUE (text.contains ("settingsInputLayout=\"0;1;2;3;4;5;\"")) << text;
}

#include "TruePeakColumn.h"

#include "ChannelRole.h"
#include "EditorDisplayLogic.h"
#include "EditorRefreshControl.h"
#include "EditorFaces.h"
#include "NolvColours.h"
#include "NolvResources.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> background { 5, 8, 355, 494 };
constexpr int barX[6] { 66, 106, 146, 185, 225, 265 };
constexpr int barY = 8, barWidth = 20, barHeight = 480;

juce::Rectangle<int> bar (int channel) { return { barX[channel], barY, barWidth, barHeight }; }

juce::Rectangle<int> led (int channel) { return { 71 + 40 * channel, 0, 20, 9 }; }
juce::Rectangle<int> box (int channel) { return { 20 + 55 * channel, 528, 48, 60 }; }

constexpr int labelHeight = 17;
} // namespace layout

constexpr const char* valueNames[6] { "TPLeftDisplay", "TPRightDisplay", "TPCenterDisplay",
                                      "TPLFEDisplay", "TPLeftSDisplay", "TPRightSDisplay" };
} // namespace

TruePeakColumn::TruePeakColumn()
{
    addAndMakeVisible (background);

    for (int c = 0; c < numChannelRoles; ++c)
    {
        auto& bar = bars[(size_t) c];
        bar = std::make_unique<OVEXJuceVU> (nolvImage (NolvImageId::truePeakBarBackground), nolvColours::green, nolvColours::red, true, 1000, editorRefreshIntervalMs, 0.5f);
        bar->ballisticsEnabled = true;
        bar->setAttackTime (0.0001f);
        bar->setReleaseTime (0.0002f);
        addAndMakeVisible (*bar);

        auto& led = leds[(size_t) c];
        led = makeImageButton (editorFaces::offAndOn (NolvImageId::ledOff, NolvImageId::ledOn), true);
        led->setEnabled (false);
        addAndMakeVisible (*led);

        auto& box = boxes[(size_t) c];
        box.setImage (nolvImage (NolvImageId::truePeakValueBox), juce::RectanglePlacement::stretchToFit);
        addAndMakeVisible (box);

        auto& value = values[(size_t) c];
        styleLabel (value, nolvFont (17.0f), juce::Justification::centred);
        value.setName (valueNames[c]);
        value.setText ("-", juce::dontSendNotification);
        value.setEditable (false);
        addAndMakeVisible (value);

        auto& name = names[(size_t) c];
        styleLabel (name, nolvFont (24.0f), juce::Justification::centred);
        name.setText (channelRoleNames[c], juce::dontSendNotification);
        addAndMakeVisible (name);
    }
}

void TruePeakColumn::resized()
{
    background.setBounds (layout::background);

    for (int c = 0; c < numChannelRoles; ++c)
    {
        bars[(size_t) c]->setBounds (layout::bar (c));
        leds[(size_t) c]->setBounds (layout::led (c));
        boxes[(size_t) c].setBounds (layout::box (c));
        values[(size_t) c].setBounds (upperRowOf (layout::box (c), layout::labelHeight));
        names[(size_t) c].setBounds (lowerRowOf (layout::box (c), layout::labelHeight));
    }
}

void TruePeakColumn::showBackground (const juce::Image& image)
{
    if (background.getImage() != image)
        background.setImage (image, juce::RectanglePlacement::stretchToFit);
}

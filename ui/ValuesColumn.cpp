#include "ValuesColumn.h"

#include "EditorFaces.h"
#include "NolvResources.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> peak { 2, 6, 80, 24 };
const juce::Rectangle<int> globalLed { 56, 13, 20, 9 };

juce::Rectangle<int> box (int index) { return { 2, 45 + 120 * index, 76, 86 }; }

// Label heights in the boxes' upper and lower rows.
constexpr int standardHeight = 24, modeHeight = 24;
constexpr int valueHeight = 25, captionHeight = 18;
constexpr int rangeHeight = 24, rangeCaptionHeight = 24;
} // namespace layout

juce::Rectangle<int> besideCaption (const juce::Label& caption, CaptionOffset offset)
{
    const auto c = caption.getBounds();
    return { c.getX() + offset.x, c.getY() + offset.y, offset.width != 0 ? offset.width : c.getWidth(), offset.height };
}
} // namespace

ValuesColumn::ValuesColumn()
{
    const auto centred = juce::Justification::centred;

    styleLabel (peak, nolvFont (20.0f), juce::Justification::centredLeft);
    peak.setText ("Peak", juce::dontSendNotification);

    styleLabel (standardLabel, nolvFont (25.0f), centred);
    standardLabel.setComponentID ("standardLabel");
    styleLabel (mode, nolvFont (18.0f), centred);
    mode.setText ("Mode", juce::dontSendNotification);

    const auto valueWithCaption = [centred] (juce::Label& value, const char* id, juce::Label& caption, const char* text)
    {
        styleLabel (value, nolvFont (25.0f), centred);
        value.setComponentID (id);
        styleLabel (caption, nolvFont (18.0f), centred);
        caption.setText (text, juce::dontSendNotification);
    };

    valueWithCaption (integratedValue, "integratedValue", integratedCaption, "IL  LUFS");
    valueWithCaption (shortTermValue, "shortTermValue", shortTermCaption, "SL  LUFS");
    valueWithCaption (rangeValue, "rangeValue", rangeCaption, "LRA LU");

    for (auto* k : { &integratedK, &shortTermK })
    {
        styleLabel (*k, nolvFont (11.0f), juce::Justification::centredLeft);
        k->setText ("k", juce::dontSendNotification);
    }

    for (auto* value : { &integratedValue, &shortTermValue, &rangeValue })
        value->setText ("-", juce::dontSendNotification);

    globalLed = makeImageButton (editorFaces::offAndOn (NolvImageId::ledOff, NolvImageId::ledOn), true);
    globalLed->setEnabled (false);

    addAndMakeVisible (peak);
    addAndMakeVisible (*globalLed);

    // Each box's image lies below its labels.
    for (auto& box : boxes)
    {
        box.setImage (nolvImage (NolvImageId::valueBox), juce::RectanglePlacement::stretchToFit);
        addAndMakeVisible (box);
    }

    for (auto* label : { &standardLabel, &mode, &integratedValue, &integratedCaption, &integratedK, &shortTermValue,
                         &shortTermCaption, &shortTermK, &rangeValue, &rangeCaption })
        addAndMakeVisible (label);
}

void ValuesColumn::resized()
{
    peak.setBounds (layout::peak);
    globalLed->setBounds (layout::globalLed);

    for (int i = 0; i < 4; ++i)
        boxes[i].setBounds (layout::box (i));

    standardLabel.setBounds (upperRowOf (layout::box (0), layout::standardHeight));
    mode.setBounds (lowerRowOf (layout::box (0), layout::modeHeight));
    integratedValue.setBounds (upperRowOf (layout::box (1), layout::valueHeight));
    integratedCaption.setBounds (lowerRowOf (layout::box (1), layout::captionHeight));
    shortTermValue.setBounds (upperRowOf (layout::box (2), layout::valueHeight));
    shortTermCaption.setBounds (lowerRowOf (layout::box (2), layout::captionHeight));
    rangeValue.setBounds (upperRowOf (layout::box (3), layout::rangeHeight));
    rangeCaption.setBounds (lowerRowOf (layout::box (3), layout::rangeCaptionHeight));

    integratedK.setBounds (besideCaption (integratedCaption, integratedKOffset));
    shortTermK.setBounds (besideCaption (shortTermCaption, shortTermKOffset));
}

void ValuesColumn::showUnit (const UnitCaptions& captions)
{
    integratedCaption.setText (captions.integrated, juce::dontSendNotification);
    shortTermCaption.setText (captions.shortTerm, juce::dontSendNotification);
    integratedKOffset = captions.integratedK;
    shortTermKOffset = captions.shortTermK;
    integratedK.setBounds (besideCaption (integratedCaption, integratedKOffset));
    shortTermK.setBounds (besideCaption (shortTermCaption, shortTermKOffset));
}

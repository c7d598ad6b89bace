#include "LockComponent.h"

namespace
{
const juce::Rectangle<int> messageArea { 210, 0, 500, 110 };
}

LockComponent::LockComponent()
{
    setWantsKeyboardFocus (true);
}

void LockComponent::paint (juce::Graphics& g)
{
    g.setColour (juce::Colours::black.withAlpha (0.3f));
    g.fillAll();
    g.setColour (juce::Colours::black);
    g.fillRect (messageArea);
    g.setColour (juce::Colours::white);
    g.setFont (juce::Font (16.0f, juce::Font::plain));
    g.drawText ("To access the interface, please click the unlock button.", messageArea, juce::Justification::centred, true);
}

bool LockComponent::keyPressed (const juce::KeyPress& key)
{
    const int code = key.getKeyCode();

    return code == juce::KeyPress::tabKey || code == juce::KeyPress::spaceKey || code == juce::KeyPress::returnKey
        || code == juce::KeyPress::leftKey || code == juce::KeyPress::rightKey || code == juce::KeyPress::upKey
        || code == juce::KeyPress::downKey;
}

void LockComponent::setLocked (bool shouldBeLocked)
{
    setVisible (shouldBeLocked);

    if (shouldBeLocked)
        grabKeyboardFocus();
    else if (hasKeyboardFocus (true))
        giveAwayKeyboardFocus();
}

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The overlay that locks the interface: it darkens everything under it, takes every click and,
    while it holds the keyboard focus, the keys that would move focus to or work a control under
    it. Keys it does not take (the window's own commands) pass on. Message thread only. */
class LockComponent : public juce::Component
{
public:
    LockComponent();

    void paint (juce::Graphics& g) override;
    bool keyPressed (const juce::KeyPress& key) override;

    /** Shows the overlay with the keyboard focus, or hides it and lets the focus go. */
    void setLocked (bool shouldBeLocked);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LockComponent)
};

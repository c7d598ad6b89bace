#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The editor's one notice of a problem the user must know of (a report that cannot be written, a
    device that stopped, settings set aside): drawn inside the editor with the alert look, never its
    own window and never modal, so every control keeps working beside it. A newer problem replaces
    what it shows; OK closes it. Message thread only. */
class ProblemNotice : public juce::Component
{
public:
    using Icon = juce::MessageBoxIconType;

    ProblemNotice();

    /** Shows title and text with the icon, in place of whatever the notice showed. */
    void show (Icon icon, const juce::String& title, const juce::String& text);

    /** A recovery takes the notice's place, with the information icon, only while the notice shows
        the failure it mends; otherwise the user has moved on from that failure and it is only
        logged. */
    void showRecovery (const juce::String& failureMended, const juce::String& title, const juce::String& text);

    Icon getIcon() const noexcept { return icon; }
    const juce::String& getTitle() const noexcept { return title; }
    const juce::String& getText() const noexcept { return text; }

    void paint (juce::Graphics& g) override;
    void resized() override;

    juce::TextButton okButton { "OK" };

private:
    Icon icon = Icon::WarningIcon;
    juce::String title, text;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProblemNotice)
};

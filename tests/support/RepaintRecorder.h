#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace testsupport
{
/** Records the areas a component asks to repaint, with no window or display. A component repaints
    only while visible, so attaching makes it visible; the component owns the recorder. */
class RepaintRecorder : public juce::CachedComponentImage
{
public:
    static RepaintRecorder& attachTo (juce::Component& component)
    {
        component.setVisible (true);
        auto* recorder = new RepaintRecorder (component);
        component.setCachedComponentImage (recorder);
        recorder->clear();
        return *recorder;
    }

    /** In the component's coordinates; a whole-component repaint is its local bounds. */
    const std::vector<juce::Rectangle<int>>& areas() const { return recorded; }
    int count() const { return (int) recorded.size(); }
    void clear() { recorded.clear(); }

    void paint (juce::Graphics& g) override { owner.paintEntireComponent (g, false); }
    bool invalidateAll() override { return invalidate (owner.getLocalBounds()); }
    bool invalidate (const juce::Rectangle<int>& area) override { recorded.push_back (area); return true; }
    void releaseResources() override {}

private:
    explicit RepaintRecorder (juce::Component& component) : owner (component) {}

    juce::Component& owner;
    std::vector<juce::Rectangle<int>> recorded;
};
} // namespace testsupport

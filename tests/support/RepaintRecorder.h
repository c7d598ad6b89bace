#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace testsupport
{
/** Records the areas a component asks to repaint, with no window or display: attach one, drive the
    component, read what it asked for. A component only repaints while visible, so attaching makes
    it visible. The component owns the recorder and deletes it with itself. */
class RepaintRecorder : public juce::CachedComponentImage
{
public:
    static RepaintRecorder& attachTo (juce::Component& component);

    /** In the component's own coordinates; a whole-component repaint is its local bounds. */
    const std::vector<juce::Rectangle<int>>& areas() const { return recorded; }
    int count() const { return (int) recorded.size(); }
    void clear() { recorded.clear(); }

    /** The smallest rectangle around every recorded area. */
    juce::Rectangle<int> bounds() const;

    void paint (juce::Graphics& g) override { owner.paintEntireComponent (g, false); }
    bool invalidateAll() override;
    bool invalidate (const juce::Rectangle<int>& area) override;
    void releaseResources() override {}

private:
    explicit RepaintRecorder (juce::Component& component) : owner (component) {}

    juce::Component& owner;
    std::vector<juce::Rectangle<int>> recorded;
};
} // namespace testsupport

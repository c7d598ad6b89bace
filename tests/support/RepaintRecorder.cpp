#include "RepaintRecorder.h"

namespace testsupport
{
RepaintRecorder& RepaintRecorder::attachTo (juce::Component& component)
{
    component.setVisible (true);
    auto* recorder = new RepaintRecorder (component);
    component.setCachedComponentImage (recorder);
    recorder->clear();
    return *recorder;
}

juce::Rectangle<int> RepaintRecorder::bounds() const
{
    juce::Rectangle<int> all;

    for (const auto& area : recorded)
        all = all.getUnion (area);

    return all;
}

bool RepaintRecorder::invalidateAll()
{
    recorded.push_back (owner.getLocalBounds());
    return true;
}

bool RepaintRecorder::invalidate (const juce::Rectangle<int>& area)
{
    recorded.push_back (area);
    return true;
}
} // namespace testsupport

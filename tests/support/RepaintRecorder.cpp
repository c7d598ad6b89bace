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

bool RepaintRecorder::invalidate (const juce::Rectangle<int>& area)
{
    recorded.push_back (area);
    return true;
}
} // namespace testsupport

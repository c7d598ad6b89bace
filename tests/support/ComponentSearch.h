#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace testsupport
{
/** The parent's direct children of the given type, in their order. */
template <typename ComponentType>
std::vector<ComponentType*> childrenOfType (juce::Component& parent)
{
    std::vector<ComponentType*> found;

    for (auto* child : parent.getChildren())
        if (auto* typed = dynamic_cast<ComponentType*> (child))
            found.push_back (typed);

    return found;
}

/** The box a label of the parent is attached to; null when no label has that text. */
inline juce::ComboBox* boxLabelled (juce::Component& parent, const juce::String& text)
{
    for (auto* label : childrenOfType<juce::Label> (parent))
        if (label->getText() == text)
            return dynamic_cast<juce::ComboBox*> (label->getAttachedComponent());

    return nullptr;
}
} // namespace testsupport

#include "NolvResources.h"

#include "NolvBinaryData.h"

juce::Image nolvImage (NolvImageId id)
{
    const auto resourceName = juce::String (nolvImageSpec (id).fileStem) + "_png";
    int size = 0;

    if (const auto* data = NolvBinary::getNamedResource (resourceName.toRawUTF8(), size))
        return juce::ImageCache::getFromMemory (data, size);

    jassertfalse;
    return {};
}

juce::Typeface::Ptr nolvTypeface()
{
    static const juce::Typeface::Ptr typeface =
        juce::Typeface::createSystemTypefaceFor (NolvBinary::DejaVuSansCondensed_ttf,
                                                 (size_t) NolvBinary::DejaVuSansCondensed_ttfSize);
    return typeface;
}

juce::Font nolvFont (float height)
{
    return juce::Font (nolvTypeface()).withHeight (height);
}

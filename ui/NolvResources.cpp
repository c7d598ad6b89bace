#include "NolvResources.h"

#include "NolvBinaryData.h"

juce::Image nolvImage (NolvImageId id)
{
    const auto resourceName = juce::String (nolvImageEntry (id).fileStem) + "_png";
    int size = 0;

    if (const auto* data = NolvBinary::getNamedResource (resourceName.toRawUTF8(), size))
        return juce::ImageCache::getFromMemory (data, size);

    jassertfalse;
    return {};
}

namespace
{
/** Keeps the label typeface until JUCE shuts down rather than until static destruction, which
    would come after JUCE's leak counters and report the typeface's glyphs as leaked. */
class LabelTypeface : private juce::DeletedAtShutdown
{
public:
    static juce::Typeface::Ptr get()
    {
        // The typeface comes first: JUCE's font list it registers with must be deleted after this
        // holder, and shutdown deletes in the reverse order of creation.
        if (instance == nullptr)
            instance = new LabelTypeface (juce::Typeface::createSystemTypefaceFor (NolvBinary::DejaVuSansCondensed_ttf,
                                                                                   (size_t) NolvBinary::DejaVuSansCondensed_ttfSize));

        return instance->typeface;
    }

private:
    explicit LabelTypeface (juce::Typeface::Ptr made) : typeface (std::move (made)) {}
    ~LabelTypeface() override { instance = nullptr; }

    const juce::Typeface::Ptr typeface;

    static inline LabelTypeface* instance = nullptr;
};
} // namespace

juce::Typeface::Ptr nolvTypeface()
{
    return LabelTypeface::get();
}

juce::Font nolvFont (float height)
{
    return juce::Font (nolvTypeface()).withHeight (height);
}

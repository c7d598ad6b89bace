#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

namespace testsupport
{
/** The component and its children as they paint, at one image pixel per component pixel. No
    window or display is needed. */
inline juce::Image renderToImage (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, component.getWidth()), juce::jmax (1, component.getHeight()), true);
    juce::Graphics g (image);
    component.paintEntireComponent (g, true);
    return image;
}

/** Writes the image as a PNG for a reader to open; the file is replaced. Returns whether it was. */
inline bool writePng (const juce::Image& image, const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    return stream.openedOk() && png.writeImageToStream (image, stream);
}

/** A file in the test binary's folder under build/tests/, where tests leave what a reader may open. */
inline juce::File artifactFile (const juce::String& name)
{
    return juce::File (NOLV_ARTIFACT_DIR).getChildFile (name);
}

/** The component as it paints, also written there as a PNG for a reader to open. */
inline juce::Image renderArtifact (juce::Component& component, const juce::String& pngName)
{
    const auto image = renderToImage (component);
    writePng (image, artifactFile (pngName));
    return image;
}

/** True when the two colours differ by at most the tolerance in each channel. */
inline bool coloursMatch (juce::Colour a, juce::Colour b, int tolerance = 2)
{
    const auto near = [tolerance] (juce::uint8 x, juce::uint8 y) { return std::abs ((int) x - (int) y) <= tolerance; };
    return near (a.getRed(), b.getRed()) && near (a.getGreen(), b.getGreen()) && near (a.getBlue(), b.getBlue())
           && near (a.getAlpha(), b.getAlpha());
}

/** How many pixels of the area match the colour within the tolerance. */
inline int countMatching (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 2)
{
    int n = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            n += coloursMatch (image.getPixelAt (x, y), colour, tolerance) ? 1 : 0;

    return n;
}
} // namespace testsupport

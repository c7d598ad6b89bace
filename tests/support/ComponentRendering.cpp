#include "ComponentRendering.h"

#include <cstdlib>

namespace testsupport
{
juce::Image renderToImage (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, component.getWidth()), juce::jmax (1, component.getHeight()), true);
    juce::Graphics g (image);
    component.paintEntireComponent (g, true);
    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    return stream.openedOk() && png.writeImageToStream (image, stream);
}

bool coloursMatch (juce::Colour a, juce::Colour b, int tolerance)
{
    const auto near = [tolerance] (juce::uint8 x, juce::uint8 y) { return std::abs ((int) x - (int) y) <= tolerance; };
    return near (a.getRed(), b.getRed()) && near (a.getGreen(), b.getGreen()) && near (a.getBlue(), b.getBlue())
           && near (a.getAlpha(), b.getAlpha());
}

int countMatching (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance)
{
    int n = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            n += coloursMatch (image.getPixelAt (x, y), colour, tolerance) ? 1 : 0;

    return n;
}
} // namespace testsupport

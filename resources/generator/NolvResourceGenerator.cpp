// Draws every image the interface embeds into the folder given as the only argument, at the sizes
// of the image table. Run through the nolv_regenerate_resources target; the PNGs it writes are
// committed, so the program's build never runs it.

#include "NolvColours.h"
#include "NolvImages.h"

#include <juce_events/juce_events.h>
#include <juce_graphics/juce_graphics.h>

#include <iostream>

namespace
{
juce::Image drawImage (const NolvImageSpec& spec)
{
    juce::Image image (juce::Image::ARGB, spec.width, spec.height, true);
    juce::Graphics g (image);
    g.fillAll (nolvColours::control);
    g.setColour (nolvColours::frame);
    g.drawRect (image.getBounds());
    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    return stream.openedOk() && png.writeImageToStream (image, stream);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: nolv_resource_generator <images folder>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    if (! folder.createDirectory())
    {
        std::cerr << "cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    for (const auto& spec : nolvImageSpecs)
    {
        const auto file = folder.getChildFile (juce::String (spec.fileStem) + ".png");

        if (! writePng (drawImage (spec), file))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }

    return 0;
}

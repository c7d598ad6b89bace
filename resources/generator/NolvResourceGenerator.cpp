// Draws every image the interface embeds into the folder given as the first argument, at the sizes
// of the image table, in the interface palette. Run through the nolv_regenerate_resources target;
// the PNGs it writes are committed, so the program's build never runs it.
//
// Flat colours only, so that a test or a screenshot can probe a face by its fill. Scale ticks are
// placed by the meters' own bar law (ScaleImageLayout.h).

#include "ChannelRole.h"
#include "NolvColours.h"
#include "NolvImages.h"
#include "ScaleImageLayout.h"

#include <juce_events/juce_events.h>
#include <juce_graphics/juce_graphics.h>

#include <iostream>

namespace
{
struct Fonts
{
    juce::Typeface::Ptr label;   // the program's own label face, for scale numbers
    juce::Typeface::Ptr caption; // bold, for the words on the faces

    juce::Font labelFont (float height) const { return juce::Font (label).withHeight (height); }
    juce::Font captionFont (float height) const { return juce::Font (caption).withHeight (height); }
};

juce::Typeface::Ptr loadTypeface (const juce::File& file)
{
    juce::MemoryBlock data;

    if (! file.loadFileAsData (data) || data.isEmpty())
        return nullptr;

    return juce::Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
}

constexpr float faceCorner = 6.0f;

/** A rounded face with a centred caption. Captions with a line break are set on two lines. */
void drawFace (juce::Graphics& g, const Fonts& fonts, juce::Rectangle<float> area, juce::Colour fill,
               const juce::String& caption, float captionHeight, juce::Colour captionColour = nolvColours::text)
{
    g.setColour (fill);
    g.fillRoundedRectangle (area, faceCorner);
    g.setColour (captionColour);
    g.setFont (fonts.captionFont (captionHeight));
    g.drawFittedText (caption, area.reduced (4.0f).toNearestInt(), juce::Justification::centred,
                      caption.containsChar ('\n') ? 2 : 1, 1.0f);
}

/** A page button's face when the mouse is over it or its page is shown: the hover fill with a
    blue bar along its foot. */
void drawPageFace (juce::Graphics& g, const Fonts& fonts, juce::Rectangle<float> area, const juce::String& caption,
                   bool highlighted)
{
    drawFace (g, fonts, area, highlighted ? nolvColours::controlHover : nolvColours::control, caption, 17.0f);

    if (highlighted)
    {
        g.setColour (nolvColours::blue);
        g.fillRect (area.withTop (area.getBottom() - 6.0f).reduced (faceCorner, 0.0f));
    }
}

void drawCheckBox (juce::Graphics& g, juce::Rectangle<float> area, bool hover, bool ticked)
{
    g.setColour (nolvColours::fieldBackground);
    g.fillRect (area);
    g.setColour (hover ? nolvColours::blue : nolvColours::control);
    g.drawRect (area, 2.0f);

    if (ticked)
    {
        // Ticked means gating is off, which the standard label shows in red too.
        const auto cross = area.reduced (8.0f);
        g.setColour (nolvColours::red);
        g.drawLine ({ cross.getTopLeft(), cross.getBottomRight() }, 3.0f);
        g.drawLine ({ cross.getBottomLeft(), cross.getTopRight() }, 3.0f);
    }
}

void drawToggle (juce::Graphics& g, juce::Rectangle<float> area, bool on)
{
    g.setColour (nolvColours::control);
    g.fillRoundedRectangle (area, area.getHeight() * 0.5f);

    auto knob = area.reduced (3.0f);
    const auto knobArea = on ? knob.removeFromRight (knob.getHeight()) : knob.removeFromLeft (knob.getHeight());
    g.setColour (on ? nolvColours::blue : nolvColours::fieldBackground);
    g.fillEllipse (knobArea);
}

void drawBox (juce::Graphics& g, juce::Rectangle<float> area)
{
    g.setColour (nolvColours::background);
    g.fillRoundedRectangle (area, 4.0f);
    g.setColour (nolvColours::frame);
    g.drawRoundedRectangle (area.reduced (0.5f), 4.0f, 1.0f);
}

void drawArrow (juce::Graphics& g)
{
    // Points left at the arrow meter's value, which the middle row 13 marks.
    juce::Path arrow;
    arrow.addTriangle (1.0f, 13.0f, 23.0f, 1.0f, 23.0f, 25.0f);
    g.setColour (nolvColours::text);
    g.fillPath (arrow);
}

juce::String levelText (float level, bool signedPlus)
{
    const int value = juce::roundToInt (level);
    return (signedPlus && value > 0 ? "+" : "") + juce::String (value);
}

/** A label centred on its tick row, kept inside the image. */
void drawRowLabel (juce::Graphics& g, const juce::String& text, int row, int left, int width, int imageHeight,
                   juce::Justification justification)
{
    constexpr int labelHeight = 14;
    const int top = juce::jlimit (0, imageHeight - labelHeight, row - labelHeight / 2);
    g.drawText (text, left, top, width, labelHeight, justification, false);
}

void drawLoudnessScale (juce::Graphics& g, const Fonts& fonts, const scaleImageLayout::LoudnessScaleImage& scale,
                        int imageHeight)
{
    using namespace scaleImageLayout;

    g.fillAll (nolvColours::background);
    g.setFont (fonts.labelFont (12.0f));

    // Labels crowd where the exponential law squeezes the low levels; every tick keeps its mark,
    // but a label is left out when it would touch the one below it.
    int lastLabelledRow = imageHeight + 100;

    for (float level = scale.range.first; level <= scale.range.second + 0.001f; level += scale.step)
    {
        const int row = loudnessRow (scale.range, level);
        const bool isTarget = std::abs (level - scale.target) < 0.001f;
        const auto colour = isTarget ? nolvColours::green : nolvColours::fieldBackground;

        g.setColour (colour);
        g.fillRect (tickLeft, row, tickWidth, 1);

        const bool nearTarget = std::abs (row - loudnessRow (scale.range, scale.target)) < 13 && ! isTarget;

        if (lastLabelledRow - row >= 13 && ! nearTarget)
        {
            drawRowLabel (g, levelText (level, scale.relative), row, 0, tickLeft - 2, imageHeight,
                          juce::Justification::centredRight);
            lastLabelledRow = row;
        }
    }
}

void drawTruePeakBackground (juce::Graphics& g, const Fonts& fonts, float referenceLevel, int imageWidth, int imageHeight)
{
    using namespace scaleImageLayout;

    g.fillAll (nolvColours::background);
    const int firstBar = truePeakBarColumns.front();
    const int lastBarEnd = truePeakBarColumns.back() + truePeakBarWidth;

    g.setFont (fonts.labelFont (12.0f));

    for (const auto level : truePeakTickLevels)
    {
        const int row = truePeakRow (level);
        g.setColour (nolvColours::fieldBackground);
        g.fillRect (firstBar - 6, row, 5, 1);
        g.fillRect (lastBarEnd + 1, row, 5, 1);

        // Faint marks in the gaps, so a level can be read across to every bar.
        g.setColour (nolvColours::control);

        for (size_t k = 0; k + 1 < truePeakBarColumns.size(); ++k)
            g.fillRect (truePeakBarColumns[k] + truePeakBarWidth + 2, row,
                        truePeakBarColumns[k + 1] - truePeakBarColumns[k] - truePeakBarWidth - 4, 1);

        g.setColour (nolvColours::text);
        drawRowLabel (g, levelText (level, false), row, 0, firstBar - 9, imageHeight,
                      juce::Justification::centredRight);
    }

    const int referenceRow = truePeakRow (referenceLevel);
    g.setColour (nolvColours::blue);
    g.fillRect (0, referenceRow, imageWidth, 1);
    drawRowLabel (g, "REF " + levelText (referenceLevel, false), referenceRow - 8, lastBarEnd + 8,
                  imageWidth - lastBarEnd - 8, imageHeight, juce::Justification::centredLeft);

    // The channel names in the strip below the bars.
    g.setColour (nolvColours::text);

    for (size_t k = 0; k < truePeakBarColumns.size(); ++k)
        g.drawText (channelRoleNames[k], truePeakBarColumns[k] - 10, truePeakBarHeight, truePeakBarWidth + 20,
                    imageHeight - truePeakBarHeight, juce::Justification::centred, false);
}

void paintImage (juce::Graphics& g, const Fonts& fonts, const NolvImageEntry& entry)
{
    using Id = NolvImageId;
    const auto area = juce::Rectangle<float> (0.0f, 0.0f, (float) entry.width, (float) entry.height);
    constexpr float buttonCaption = 18.0f, settingCaption = 20.0f, modeCaption = 22.0f, smallCaption = 17.0f;

    switch (entry.id)
    {
        case Id::playStopOff:       drawFace (g, fonts, area, nolvColours::control, "PLAY", buttonCaption); break;
        case Id::playStopOffHover:  drawFace (g, fonts, area, nolvColours::controlHover, "PLAY", buttonCaption); break;
        case Id::playStopOn:        drawFace (g, fonts, area, nolvColours::green, "STOP", buttonCaption); break;
        case Id::resetOff:          drawFace (g, fonts, area, nolvColours::control, "RESET", buttonCaption); break;
        case Id::resetHover:        drawFace (g, fonts, area, nolvColours::controlHover, "RESET", buttonCaption); break;
        case Id::settingsOff:       drawPageFace (g, fonts, area, "SETTINGS", false); break;
        case Id::settingsHover:     drawPageFace (g, fonts, area, "SETTINGS", true); break;
        case Id::logOff:            drawPageFace (g, fonts, area, "LOG", false); break;
        case Id::logHover:          drawPageFace (g, fonts, area, "LOG", true); break;
        case Id::meterOff:          drawPageFace (g, fonts, area, "METER", false); break;
        case Id::meterHover:        drawPageFace (g, fonts, area, "METER", true); break;
        case Id::audioSettingsOff:  drawPageFace (g, fonts, area, "AUDIO\nSETTINGS", false); break;
        case Id::audioSettingsHover: drawPageFace (g, fonts, area, "AUDIO\nSETTINGS", true); break;
        case Id::lockOff:           drawFace (g, fonts, area, nolvColours::control, "LOCK", buttonCaption); break;
        case Id::lockOn:            drawFace (g, fonts, area, nolvColours::red, "UNLOCK", buttonCaption); break;

        case Id::logo:
            g.setColour (nolvColours::text);
            g.setFont (fonts.captionFont (28.0f));
            g.drawText ("NOLv 5.1", area, juce::Justification::centredLeft, false);
            break;

        case Id::ebuOff:     drawFace (g, fonts, area, nolvColours::control, "EBU", settingCaption); break;
        case Id::ebuOn:      drawFace (g, fonts, area, nolvColours::blue, "EBU", settingCaption); break;
        case Id::atscOff:    drawFace (g, fonts, area, nolvColours::control, "ATSC", settingCaption); break;
        case Id::atscOn:     drawFace (g, fonts, area, nolvColours::blue, "ATSC", settingCaption); break;
        case Id::aribOff:    drawFace (g, fonts, area, nolvColours::control, "ARIB", settingCaption); break;
        case Id::aribOn:     drawFace (g, fonts, area, nolvColours::blue, "ARIB", settingCaption); break;
        case Id::plus9Off:   drawFace (g, fonts, area, nolvColours::control, "+9", settingCaption); break;
        case Id::plus9On:    drawFace (g, fonts, area, nolvColours::blue, "+9", settingCaption); break;
        case Id::plus18Off:  drawFace (g, fonts, area, nolvColours::control, "+18", settingCaption); break;
        case Id::plus18On:   drawFace (g, fonts, area, nolvColours::blue, "+18", settingCaption); break;
        case Id::lufsOff:    drawFace (g, fonts, area, nolvColours::control, "LUFS", settingCaption); break;
        case Id::lufsOn:     drawFace (g, fonts, area, nolvColours::blue, "LUFS", settingCaption); break;
        case Id::lkfsOff:    drawFace (g, fonts, area, nolvColours::control, "LKFS", settingCaption); break;
        case Id::lkfsOn:     drawFace (g, fonts, area, nolvColours::blue, "LKFS", settingCaption); break;
        case Id::luOff:      drawFace (g, fonts, area, nolvColours::control, "LU", settingCaption); break;
        case Id::luOn:       drawFace (g, fonts, area, nolvColours::blue, "LU", settingCaption); break;
        case Id::ref18Off:   drawFace (g, fonts, area, nolvColours::control, "-18", settingCaption); break;
        case Id::ref18On:    drawFace (g, fonts, area, nolvColours::blue, "-18", settingCaption); break;
        case Id::ref20Off:   drawFace (g, fonts, area, nolvColours::control, "-20", settingCaption); break;
        case Id::ref20On:    drawFace (g, fonts, area, nolvColours::blue, "-20", settingCaption); break;

        case Id::gatingOff:      drawCheckBox (g, area, false, false); break;
        case Id::gatingOffHover: drawCheckBox (g, area, true, false); break;
        case Id::gatingOn:       drawCheckBox (g, area, false, true); break;
        case Id::gatingOnHover:  drawCheckBox (g, area, true, true); break;

        case Id::fiveOneOff:      drawFace (g, fonts, area, nolvColours::control, "5.1", modeCaption); break;
        case Id::fiveOneOn:       drawFace (g, fonts, area, nolvColours::blue, "5.1", modeCaption); break;
        case Id::fiveOneDisabled:
            drawFace (g, fonts, area, nolvColours::controlDisabled, "5.1", modeCaption, nolvColours::inactiveCaption);
            break;
        case Id::downmixOff:      drawFace (g, fonts, area, nolvColours::control, "STEREO", modeCaption); break;
        case Id::downmixOn:       drawFace (g, fonts, area, nolvColours::blue, "STEREO", modeCaption); break;
        case Id::downmixDisabled:
            drawFace (g, fonts, area, nolvColours::controlDisabled, "STEREO", modeCaption, nolvColours::inactiveCaption);
            break;

        case Id::connectOff:      drawFace (g, fonts, area, nolvColours::control, "START", smallCaption); break;
        case Id::connectOffHover: drawFace (g, fonts, area, nolvColours::controlHover, "START", smallCaption); break;
        case Id::connectOn:       drawFace (g, fonts, area, nolvColours::green, "STOP", smallCaption); break;
        case Id::connectOnHover:  drawFace (g, fonts, area, nolvColours::green.brighter (0.2f), "STOP", smallCaption); break;
        case Id::saveOff:         drawFace (g, fonts, area, nolvColours::control, "SAVE", smallCaption); break;
        case Id::saveHover:       drawFace (g, fonts, area, nolvColours::blue, "SAVE", smallCaption); break;
        case Id::browseNormal:    drawFace (g, fonts, area, nolvColours::control, "BROWSE", smallCaption); break;
        case Id::browsePressed:   drawFace (g, fonts, area, nolvColours::blue, "BROWSE", smallCaption); break;

        case Id::ledOff: g.fillAll (nolvColours::ledOff); break;
        case Id::ledOn:  g.fillAll (nolvColours::red); break;

        case Id::momentaryBarBackground:
        case Id::rangeBarBackground:
        case Id::truePeakBarBackground:
            g.fillAll (nolvColours::barBackground);
            break;

        case Id::momentaryBarForeground: g.fillAll (nolvColours::blue); break;
        case Id::rangeBarForeground:     g.fillAll (nolvColours::sliderBar); break;

        case Id::arrowScale:
            g.fillAll (nolvColours::background);
            g.setColour (nolvColours::control);
            g.fillRect (2, 0, 1, entry.height);
            break;

        case Id::arrow: drawArrow (g); break;

        case Id::scaleEbu9:
        case Id::scaleEbu18:
        case Id::scaleAtsc9:
        case Id::scaleAtsc18:
        case Id::scaleRelative9:
        case Id::scaleRelative18:
            for (const auto& scale : scaleImageLayout::loudnessScaleImages)
                if (scale.id == entry.id)
                    drawLoudnessScale (g, fonts, scale, entry.height);
            break;

        case Id::truePeakBackgroundRef18:
        case Id::truePeakBackgroundRef20:
            for (const auto& background : scaleImageLayout::truePeakBackgrounds)
                if (background.id == entry.id)
                    drawTruePeakBackground (g, fonts, background.referenceLevel, entry.width, entry.height);
            break;

        case Id::valueBox:
        case Id::momentaryBox:
        case Id::truePeakValueBox:
            drawBox (g, area);
            break;

        case Id::resolutionToggleOff:
        case Id::seriesToggleOff:
            drawToggle (g, area, false);
            break;

        case Id::resolutionToggleOn:
        case Id::seriesToggleOn:
            drawToggle (g, area, true);
            break;
    }
}

juce::Image drawImage (const Fonts& fonts, const NolvImageEntry& entry)
{
    juce::Image image (juce::Image::ARGB, entry.width, entry.height, true);
    juce::Graphics g (image);
    paintImage (g, fonts, entry);
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
    if (argc != 4)
    {
        std::cerr << "usage: nolv_resource_generator <images folder> <label font .ttf> <caption font .ttf>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    const juce::File folder (cwd.getChildFile (argv[1]));
    const Fonts fonts { loadTypeface (cwd.getChildFile (argv[2])), loadTypeface (cwd.getChildFile (argv[3])) };

    if (fonts.label == nullptr || fonts.caption == nullptr)
    {
        std::cerr << "cannot read the fonts " << argv[2] << " and " << argv[3] << "\n";
        return 1;
    }

    if (! folder.createDirectory())
    {
        std::cerr << "cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    for (const auto& entry : nolvImageEntries)
    {
        const auto file = folder.getChildFile (juce::String (entry.fileStem) + ".png");

        if (! writePng (drawImage (fonts, entry), file))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }

    return 0;
}

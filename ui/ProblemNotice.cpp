#include "ProblemNotice.h"

namespace
{
constexpr int margin = 16;
constexpr int iconSize = 56;
constexpr int titleHeight = 26;
constexpr int buttonWidth = 80, buttonHeight = 30;
constexpr float cornerSize = 4.0f;

/** The alert look's icons: a warning triangle with "!", an information disc with "i". */
void drawIcon (juce::Graphics& g, juce::MessageBoxIconType icon, juce::Rectangle<float> area)
{
    juce::Path shape;
    juce::Colour colour;

    if (icon == juce::MessageBoxIconType::WarningIcon)
    {
        shape.addTriangle (area.getCentreX(), area.getY(), area.getRight(), area.getBottom(), area.getX(), area.getBottom());
        shape = shape.createPathWithRoundedCorners (5.0f);
        colour = juce::Colour (0xffff2a00).withAlpha (0.4f);
    }
    else
    {
        shape.addEllipse (area);
        colour = juce::Colour (0xff00b0b9).withAlpha (0.4f);
    }

    juce::GlyphArrangement glyph;
    glyph.addFittedText ({ area.getHeight() * 0.7f, juce::Font::bold }, icon == juce::MessageBoxIconType::WarningIcon ? "!" : "i",
                         area.getX(), area.getY() + area.getHeight() * 0.1f, area.getWidth(), area.getHeight() * 0.9f,
                         juce::Justification::centred, 1);
    glyph.createPath (shape);
    shape.setUsingNonZeroWinding (false);

    g.setColour (colour);
    g.fillPath (shape);
}
} // namespace

ProblemNotice::ProblemNotice()
{
    setVisible (false);
    okButton.onClick = [this] { setVisible (false); };
    addAndMakeVisible (okButton);
}

void ProblemNotice::show (Icon newIcon, const juce::String& newTitle, const juce::String& newText)
{
    icon = newIcon;
    title = newTitle;
    text = newText;
    repaint();
    setVisible (true);
    toFront (false);
}

void ProblemNotice::showRecovery (const juce::String& failureMended, const juce::String& newTitle, const juce::String& newText)
{
    if (isVisible() && text == failureMended)
        show (Icon::InfoIcon, newTitle, newText);
    else
        juce::Logger::writeToLog (newTitle + ": " + newText);
}

void ProblemNotice::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    g.setColour (findColour (juce::AlertWindow::backgroundColourId));
    g.fillRoundedRectangle (bounds, cornerSize);
    g.setColour (findColour (juce::AlertWindow::outlineColourId));
    g.drawRoundedRectangle (bounds.reduced (1.0f), cornerSize, 2.0f);

    auto area = getLocalBounds().reduced (margin);
    drawIcon (g, icon, area.removeFromLeft (iconSize).removeFromTop (iconSize).toFloat());
    area.removeFromLeft (margin);
    area.removeFromBottom (buttonHeight + margin / 2);

    g.setColour (findColour (juce::AlertWindow::textColourId));
    g.setFont ({ 18.0f, juce::Font::bold });
    g.drawFittedText (title, area.removeFromTop (titleHeight), juce::Justification::centredLeft, 1);
    g.setFont (15.0f);
    g.drawFittedText (text, area, juce::Justification::topLeft, juce::jmax (1, area.getHeight() / 18), 0.8f);
}

void ProblemNotice::resized()
{
    okButton.setBounds (getLocalBounds().reduced (margin).removeFromBottom (buttonHeight).removeFromRight (buttonWidth));
}

#include "SettingsPage.h"

#include "EditorFaces.h"
#include "NolvResources.h"
#include "ProductInfo.h"

namespace
{
namespace layout
{
constexpr int choiceSize = 75, choiceY = 30;
juce::Rectangle<int> choice (int x) { return { x, choiceY, choiceSize, choiceSize }; }

const juce::Rectangle<int> modeCaption { 55, 5, 400, 16 }, scaleCaption { 368, 5, 100, 16 },
    unitsCaption { 581, 5, 100, 16 }, referenceCaption { 794, 5, 340, 16 };
constexpr int ebuX = 55, atscX = 155, aribX = 255, plus9X = 368, plus18X = 468, absoluteX = 581, relativeX = 681,
              ref18X = 794, ref20X = 894;

const juce::Rectangle<int> gating { 85, 135, 32, 32 }, gatingCaption { 130, 140, 360, 18 };
const juce::Rectangle<int> truePeakMaxCaption { 87, 195, 396, 18 }, truePeakMax { 85, 220, 396, 30 };
const juce::Rectangle<int> shortTermMaxCaption { 87, 275, 396, 18 }, shortTermMax { 85, 300, 396, 30 };
const juce::Rectangle<int> peakHoldCaption { 87, 355, 396, 18 }, peakHold { 85, 380, 396, 30 };
const juce::Rectangle<int> overloadHoldCaption { 87, 435, 396, 18 }, overloadHold { 85, 460, 396, 30 };
const juce::Rectangle<int> productName { 87, 565, 250, 18 }, version { 87, 585, 250, 16 };

const juce::Rectangle<int> connectionCaption { 540, 195, 400, 18 };
const juce::Rectangle<int> ipCaption { 540, 245, 150, 18 }, ownAddress { 540, 265, 150, 18 };
const juce::Rectangle<int> portCaption { 540, 328, 150, 18 }, portField { 540, 353, 256, 30 }, startStop { 796, 353, 82, 30 };
const juce::Rectangle<int> passwordCaption { 540, 435, 150, 18 }, passwordField { 540, 460, 256, 30 }, save { 796, 460, 82, 30 };
} // namespace layout

juce::String ownAddressText()
{
    const auto addresses = juce::IPAddress::getAllAddresses (false);
    return addresses.isEmpty() ? juce::String ("0.0.0.0") : addresses.getLast().toString();
}
} // namespace

SettingsPage::SettingsPage (juce::LookAndFeel& widgetLook)
    : tooltipLook (widgetLook),
      lufsFaces (editorFaces::offAndOn (NolvImageId::lufsOff, NolvImageId::lufsOn)),
      lkfsFaces (editorFaces::offAndOn (NolvImageId::lkfsOff, NolvImageId::lkfsOn))
{
    using editorFaces::offAndOn;

    ebu = makeImageButton (offAndOn (NolvImageId::ebuOff, NolvImageId::ebuOn), true, standardRadioGroup);
    atsc = makeImageButton (offAndOn (NolvImageId::atscOff, NolvImageId::atscOn), true, standardRadioGroup);
    arib = makeImageButton (offAndOn (NolvImageId::aribOff, NolvImageId::aribOn), true, standardRadioGroup);
    plus9 = makeImageButton (offAndOn (NolvImageId::plus9Off, NolvImageId::plus9On), true, scaleRadioGroup);
    plus18 = makeImageButton (offAndOn (NolvImageId::plus18Off, NolvImageId::plus18On), true, scaleRadioGroup);
    absoluteUnit = makeImageButton (lufsFaces, true, unitRadioGroup);
    relativeUnit = makeImageButton (offAndOn (NolvImageId::luOff, NolvImageId::luOn), true, unitRadioGroup);
    ref18 = makeImageButton (offAndOn (NolvImageId::ref18Off, NolvImageId::ref18On), true, referenceRadioGroup);
    ref20 = makeImageButton (offAndOn (NolvImageId::ref20Off, NolvImageId::ref20On), true, referenceRadioGroup);
    gating = makeImageButton (editorFaces::fourFaces (NolvImageId::gatingOff, NolvImageId::gatingOffHover, NolvImageId::gatingOn, NolvImageId::gatingOnHover), true);
    startStop = makeImageButton (editorFaces::fourFaces (NolvImageId::connectOff, NolvImageId::connectOffHover, NolvImageId::connectOn, NolvImageId::connectOnHover), true);
    save = makeImageButton (editorFaces::offAndHover (NolvImageId::saveOff, NolvImageId::saveHover), true);

    // Ticked silently: a notification would switch gating off at every start.
    gating->setToggleState (true, juce::dontSendNotification);
    startStop->setTooltip ("use the same port in your remote iPad app");

    for (auto* button : { ebu.get(), atsc.get(), arib.get(), plus9.get(), plus18.get(), absoluteUnit.get(), relativeUnit.get(),
                          ref18.get(), ref20.get(), gating.get(), startStop.get() })
        addAndMakeVisible (button);

    // The password protects nothing (the remote unlock takes any text), so its row is built but
    // never shown: a user must not think the server is protected.
    addChildComponent (save.get());

    const auto addLabel = [this] (juce::Label& label, const juce::String& text, float height)
    {
        styleLabel (label, nolvFont (height), juce::Justification::centredLeft);
        label.setText (text, juce::dontSendNotification);
        addAndMakeVisible (label);
    };

    addLabel (modeCaption, "Loudness Metering Mode", 16.0f);
    addLabel (scaleCaption, "Scale", 16.0f);
    addLabel (unitsCaption, "Units", 16.0f);
    addLabel (referenceCaption, "True peak ref. level", 16.0f);
    addLabel (gatingCaption, "Integrated loudness gatting off", 18.0f);
    addLabel (truePeakMaxCaption, "True peak max. level   [dBTP]", 18.0f);
    addLabel (shortTermMaxCaption, "Short term max. level   [LUFS]", 18.0f);
    addLabel (peakHoldCaption, "Peak hold   [sec]", 18.0f);
    addLabel (overloadHoldCaption, "Overload hold   [sec]", 18.0f);
    addLabel (productName, productInfo::productTitle, 18.0f);
    addLabel (version, juce::String ("Version:") + productInfo::applicationVersion + " Build:" + juce::String (productInfo::buildNumber), 16.0f);

    addLabel (connectionCaption, "Connection Settings", 18.0f);
    addLabel (ipCaption, "Your IP:", 18.0f);
    addLabel (ownAddress, "this is your ip", 18.0f);
    ownAddress.setText (ownAddressText(), juce::dontSendNotification);
    addLabel (portCaption, "Port", 18.0f);
    addLabel (passwordCaption, "Admin Password", 18.0f);
    passwordCaption.setVisible (false);

    const struct
    {
        juce::Slider& slider;
        double low, high;
    } sliders[] { { truePeakMax, -12.0, 0.0 }, { shortTermMax, 0.0, 24.0 }, { peakHold, 0.0, 10.0 }, { overloadHold, 0.0, 10.0 } };

    for (const auto& s : sliders)
    {
        styleBarSlider (s.slider, widgetLook, false);
        s.slider.setRange (s.low, s.high, 1.0);
        addAndMakeVisible (s.slider);
    }

    styleTextField (portField);
    portField.setInputRestrictions (10);
    styleTextField (passwordField);
    passwordField.setPasswordCharacter ((juce::juce_wchar) 0x25cf);
    addAndMakeVisible (portField);
    addChildComponent (passwordField);
}

SettingsPage::~SettingsPage()
{
    if (tooltips != nullptr)
        tooltips->setLookAndFeel (nullptr);

    for (auto* slider : { &truePeakMax, &shortTermMax, &peakHold, &overloadHold })
        slider->setLookAndFeel (nullptr);
}

void SettingsPage::resized()
{
    modeCaption.setBounds (layout::modeCaption);
    scaleCaption.setBounds (layout::scaleCaption);
    unitsCaption.setBounds (layout::unitsCaption);
    referenceCaption.setBounds (layout::referenceCaption);

    ebu->setBounds (layout::choice (layout::ebuX));
    atsc->setBounds (layout::choice (layout::atscX));
    arib->setBounds (layout::choice (layout::aribX));
    plus9->setBounds (layout::choice (layout::plus9X));
    plus18->setBounds (layout::choice (layout::plus18X));
    absoluteUnit->setBounds (layout::choice (layout::absoluteX));
    relativeUnit->setBounds (layout::choice (layout::relativeX));
    ref18->setBounds (layout::choice (layout::ref18X));
    ref20->setBounds (layout::choice (layout::ref20X));

    gating->setBounds (layout::gating);
    gatingCaption.setBounds (layout::gatingCaption);
    truePeakMaxCaption.setBounds (layout::truePeakMaxCaption);
    truePeakMax.setBounds (layout::truePeakMax);
    shortTermMaxCaption.setBounds (layout::shortTermMaxCaption);
    shortTermMax.setBounds (layout::shortTermMax);
    peakHoldCaption.setBounds (layout::peakHoldCaption);
    peakHold.setBounds (layout::peakHold);
    overloadHoldCaption.setBounds (layout::overloadHoldCaption);
    overloadHold.setBounds (layout::overloadHold);
    productName.setBounds (layout::productName);
    version.setBounds (layout::version);

    connectionCaption.setBounds (layout::connectionCaption);
    ipCaption.setBounds (layout::ipCaption);
    ownAddress.setBounds (layout::ownAddress);
    portCaption.setBounds (layout::portCaption);
    portField.setBounds (layout::portField);
    startStop->setBounds (layout::startStop);
    passwordCaption.setBounds (layout::passwordCaption);
    passwordField.setBounds (layout::passwordField);
    save->setBounds (layout::save);
}

void SettingsPage::visibilityChanged()
{
    // A tooltip window of the page's own, only while the page shows: its timer runs as long as it lives.
    if (isVisible() && tooltips == nullptr)
    {
        tooltips = std::make_unique<juce::TooltipWindow> (this);
        tooltips->setLookAndFeel (&tooltipLook);
    }
    else if (! isVisible() && tooltips != nullptr)
    {
        tooltips->setLookAndFeel (nullptr);
        tooltips.reset();
    }
}

void SettingsPage::showAbsoluteUnitAs (bool lkfs)
{
    if (lkfs != showsLkfs)
    {
        showsLkfs = lkfs;
        setButtonFaces (*absoluteUnit, lkfs ? lkfsFaces : lufsFaces);
    }
}

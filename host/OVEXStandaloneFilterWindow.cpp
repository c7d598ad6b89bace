#include "OVEXStandaloneFilterWindow.h"

#include "AudioDeviceSettingsPanel.h"
#include "FilterStateText.h"
#include "LostAudioDevice.h"
#include "SettingsFile.h"
#include "OvexjuceLoudnessAudioProcessorEditor.h"

#include <algorithm>
#include <utility>

namespace
{
juce::ApplicationCommandManager* commandManager = nullptr;

constexpr int centredPosition = -100;
constexpr int numChannelsPlayed = 6;

// More channels than any device has; bounds what a stored layout can make the window ask for.
constexpr int maxDeviceChannels = 1024;

const char* const noDeviceTitle = "No audio device could be opened";
const char* const deviceOpenedTitle = "Audio device opened";
const char* const settingsSetAsideTitle = "Settings could not be read";
const char* const silentDeviceTitle = "Audio device stopped calling back";
const char* const deviceBackTitle = "Audio device calls back again";

// In ticks of the window's one-second timer.
constexpr int quietTicksBeforeSaving = 3;
constexpr int silentTicksBeforeLoss = 3;
constexpr int firstTicksBetweenReopenings = 2, mostTicksBetweenReopenings = 30;
constexpr int firstTicksBetweenOpenAttempts = 2, mostTicksBetweenOpenAttempts = 10;

juce::String nameAndType (juce::AudioIODevice& device)
{
    return device.getName() + " (" + device.getTypeName() + ")";
}

/** A set-up in the form the device manager keeps a chosen one: the type and both device names;
    with a device, its rate, its buffer size unless that is the device's default and the channels
    unless the defaults were asked for; without one, the rate and buffer size asked for. */
std::unique_ptr<juce::XmlElement> deviceSetupXml (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& setup,
                                                  juce::AudioIODevice* device)
{
    auto xml = std::make_unique<juce::XmlElement> ("DEVICESETUP");
    xml->setAttribute ("deviceType", typeName);
    xml->setAttribute ("audioOutputDeviceName", setup.outputDeviceName);
    xml->setAttribute ("audioInputDeviceName", setup.inputDeviceName);

    if (device == nullptr)
    {
        if (setup.sampleRate > 0.0)
            xml->setAttribute ("audioDeviceRate", setup.sampleRate);

        if (setup.bufferSize > 0)
            xml->setAttribute ("audioDeviceBufferSize", setup.bufferSize);

        return xml;
    }

    xml->setAttribute ("audioDeviceRate", device->getCurrentSampleRate());

    if (device->getDefaultBufferSize() != device->getCurrentBufferSizeSamples())
        xml->setAttribute ("audioDeviceBufferSize", device->getCurrentBufferSizeSamples());

    if (! setup.useDefaultInputChannels)
        xml->setAttribute ("audioDeviceInChans", setup.inputChannels.toString (2));

    if (! setup.useDefaultOutputChannels)
        xml->setAttribute ("audioDeviceOutChans", setup.outputChannels.toString (2));

    return xml;
}

/** The stored top-left corner moved as little as needed for the whole window to lie on the
    display it overlaps most (or the nearest one); a window larger than the display keeps its
    title bar on screen. */
juce::Point<int> pulledOntoScreen (juce::Point<int> storedPosition, int width, int height)
{
    // Any display lies well within this; a stored position beyond it would overflow the arithmetic.
    constexpr int farthest = 1 << 24;
    const juce::Rectangle<int> bounds (juce::jlimit (-farthest, farthest, storedPosition.x),
                                       juce::jlimit (-farthest, farthest, storedPosition.y), width, height);
    const auto& displays = juce::Desktop::getInstance().getDisplays();
    const auto* display = displays.getDisplayForRect (bounds);

    if (display == nullptr || ! display->totalArea.intersects (bounds))
        display = displays.getDisplayForPoint (bounds.getCentre());

    if (display == nullptr)
        return bounds.getPosition();

    const auto area = display->userArea;
    return { juce::jlimit (area.getX(), juce::jmax (area.getX(), area.getRight() - bounds.getWidth()), bounds.getX()),
             juce::jlimit (area.getY(), juce::jmax (area.getY(), area.getBottom() - bounds.getHeight()), bounds.getY()) };
}
} // namespace

OVEXStandaloneFilterWindow::OVEXStandaloneFilterWindow (const juce::String& title, juce::Colour backgroundColour,
                                                        std::unique_ptr<juce::PropertiesFile> settingsToUse,
                                                        const DeviceManagerFactory& createDeviceManager)
    : juce::DocumentWindow (title, backgroundColour, juce::DocumentWindow::allButtons, true),
      settings (std::move (settingsToUse))
{
    if (createDeviceManager != nullptr)
        deviceManager = createDeviceManager();

    if (deviceManager == nullptr)
        deviceManager = std::make_unique<juce::AudioDeviceManager>();

    deviceManager->addAudioCallback (&countingCallback);
    deviceManager->addMidiInputDeviceCallback ({}, &player);

    createFilter();

    if (processor == nullptr)
    {
        juce::JUCEApplicationBase::quit();
        return;
    }

    processor->setPlayConfigDetails (numChannelsPlayed, numChannelsPlayed, 44100.0, 512);

    restoreFilterState();
    restoreAudioSetup();

    commandTarget = std::make_unique<CommandsListener>();

    if (auto* editor = processor->createEditorIfNeeded())
    {
        commandTarget->addAndMakeVisible (editor);
        commandTarget->setSize (editor->getWidth(), editor->getHeight());
    }

    if (auto* editor = findEditor(); editor != nullptr && editor->devicePage != nullptr)
        editor->devicePage->onSetupApplied = [this] (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& asked)
        { setupAppliedOnPage (typeName, asked); };

    setContentNonOwned (commandTarget.get(), true);
    addKeyListener (getCommandManager()->getKeyMappings());

    restorePosition();

    player.setProcessor (processor.get());
    deviceManager->addChangeListener (this);
    triggerAsyncUpdate();
    startTimer (1000);
}

OVEXStandaloneFilterWindow::~OVEXStandaloneFilterWindow()
{
    cancelPendingUpdate();
    stopTimer();

    if (deviceManager != nullptr)
        deviceManager->removeChangeListener (this);

    // The kiosk bounds are not the window's own, and the desktop must not keep pointing at it.
    auto& desktop = juce::Desktop::getInstance();

    if (desktop.getKioskModeComponent() == this)
        desktop.setKioskModeComponent (nullptr);

    if (settings != nullptr)
    {
        settings->setValue ("windowX", getX());
        settings->setValue ("windowY", getY());
        storeSettings();
    }

    deviceManager->removeMidiInputDeviceCallback ({}, &player);
    deviceManager->removeAudioCallback (&countingCallback);

    if (processor != nullptr)
        processor->editorBeingDeleted (processor->getActiveEditor());

    if (commandTarget != nullptr)
        commandTarget->deleteAllChildren();

    clearContentComponent();

    if (commandManager != nullptr)
        removeKeyListener (commandManager->getKeyMappings());

    deviceManager = nullptr;
    commandTarget = nullptr;
    delete commandManager;
    commandManager = nullptr;

    // With no device open the player still counts the processor as prepared: released here, while
    // the processor exists, rather than by the player's destructor once it is gone.
    player.setProcessor (nullptr);
    processor = nullptr;

    if (settings != nullptr)
        saveSettingsFile (*settings);

    settings = nullptr;
}

void OVEXStandaloneFilterWindow::createFilter()
{
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
    processor.reset (createPluginFilter (deviceManager.get()));
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);

    if (processor != nullptr)
        processor->setEditorFactory (createOvexjuceEditor);
}

void OVEXStandaloneFilterWindow::restoreFilterState()
{
    juce::MemoryBlock state;
    bool restoredLayouts = false;

    if (settings != nullptr && decodeFilterStateText (settings->getValue ("filterState"), state) && state.getSize() > 0)
        restoredLayouts = processor->restoreState (state.getData(), (int) state.getSize());

    // Without stored layouts every role would stay unassigned and a first start would measure
    // nothing: route as choosing a device does. A stored all-"none" choice is kept.
    if (! restoredLayouts)
    {
        processor->setDefaultInputRouting();
        processor->setDefaultOutputRouting();
    }
}

void OVEXStandaloneFilterWindow::restoreAudioSetup()
{
    setupToOpen = settings != nullptr ? readStoredAudioSetup (*settings) : nullptr;
    const auto error = openSetupToOpen();
    juce::Logger::writeToLog (error);

    if (deviceManager->getCurrentAudioDevice() == nullptr)
        noDeviceReason = error.isNotEmpty() ? error : juce::String ("No audio device was found");
}

juce::String OVEXStandaloneFilterWindow::openSetupToOpen()
{
    // Opened once, with the channels the layouts take up, so that the channel boxes' first pass
    // finds nothing to change: opening it again would drop the connections a JACK session manager
    // makes the moment the ports appear. A stored set-up keeps its device, rate and buffer size;
    // its channels would win over the wanted ones, so they are replaced.
    juce::AudioDeviceManager::AudioDeviceSetup wanted;
    takeChannelsFromLayouts (wanted);
    std::unique_ptr<juce::XmlElement> setup;

    if (setupToOpen != nullptr)
    {
        setup = std::make_unique<juce::XmlElement> (*setupToOpen);
        setup->setAttribute ("audioDeviceInChans", wanted.inputChannels.toString (2));
        setup->setAttribute ("audioDeviceOutChans", wanted.outputChannels.toString (2));
    }

    return deviceManager->initialise (processor->getTotalNumInputChannels(), processor->getTotalNumOutputChannels(), setup.get(),
                                      false, {}, &wanted);
}

void OVEXStandaloneFilterWindow::takeChannelsFromLayouts (juce::AudioDeviceManager::AudioDeviceSetup& setup) const
{
    setup.inputChannels = channelsTakenBy (processor->inputLayout, maxDeviceChannels);
    setup.outputChannels = channelsTakenBy (processor->outputLayout, maxDeviceChannels);
    setup.useDefaultInputChannels = setup.useDefaultOutputChannels = false;
}

void OVEXStandaloneFilterWindow::reportSettingsSetAside (const juce::String& keptAside)
{
    settingsKeptAside = keptAside;
}

void OVEXStandaloneFilterWindow::reportStartProblems()
{
    // The notice shows one problem at a time: both at once are said together.
    juce::String title, text;

    if (noDeviceReason.has_value())
    {
        title = noDeviceTitle;
        text = *std::exchange (noDeviceReason, std::nullopt);
    }

    if (settingsKeptAside.isNotEmpty())
    {
        if (title.isEmpty())
            title = settingsSetAsideTitle;
        else
            text << "\n" << settingsSetAsideTitle << ": ";

        text << std::exchange (settingsKeptAside, {});
    }

    if (title.isNotEmpty())
        sayInNotice (title, text);
}

OvexjuceLoudnessAudioProcessorEditor* OVEXStandaloneFilterWindow::findEditor() const
{
    return processor != nullptr ? dynamic_cast<OvexjuceLoudnessAudioProcessorEditor*> (processor->getActiveEditor()) : nullptr;
}

void OVEXStandaloneFilterWindow::sayInNotice (const juce::String& title, const juce::String& text)
{
    if (auto* editor = findEditor())
        editor->notice.show (ProblemNotice::Icon::WarningIcon, title, text);
    else
        juce::Logger::writeToLog (title + ": " + text);
}

void OVEXStandaloneFilterWindow::mendInNotice (const juce::String& failureTitle, const juce::String& title, const juce::String& text)
{
    if (auto* editor = findEditor(); editor != nullptr && editor->notice.isVisible() && editor->notice.getTitle() == failureTitle)
        editor->notice.show (ProblemNotice::Icon::InfoIcon, title, text);
}

void OVEXStandaloneFilterWindow::restorePosition()
{
    const int x = settings != nullptr ? settings->getIntValue ("windowX", centredPosition) : centredPosition;
    const int y = settings != nullptr ? settings->getIntValue ("windowY", centredPosition) : centredPosition;

    if (x == centredPosition || y == centredPosition)
    {
        centreWithSize (getWidth(), getHeight());
        return;
    }

    const auto position = pulledOntoScreen ({ x, y }, getWidth(), getHeight());
    setBoundsConstrained ({ position.x, position.y, getWidth(), getHeight() });
}

bool OVEXStandaloneFilterWindow::storeSettings()
{
    auto setup = deviceManager->createStateXml();

    // The manager keeps only set-ups applied as chosen; a device it opened on its own (the
    // default on a first run, or one a retry opened) is what the next run should open too,
    // rather than whatever the default is then. While it is closed (silent, or its server gone),
    // a set-up stored for it stays.
    if (setup == nullptr)
    {
        if (auto* device = deviceManager->getCurrentAudioDevice())
            setup = deviceSetupXml (deviceManager->getCurrentAudioDeviceType(), deviceManager->getAudioDeviceSetup(), device);
        else
            setup = readStoredAudioSetup (*settings);
    }

    bool changed = storeIfChanged ("audioSetup", setup != nullptr ? setup->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader())
                                                                  : juce::String());

    if (processor != nullptr)
    {
        juce::MemoryBlock state;
        processor->getStateInformation (state);
        changed = storeIfChanged ("filterState", state.toBase64Encoding()) || changed;
    }

    return changed;
}

bool OVEXStandaloneFilterWindow::storeIfChanged (const juce::String& key, const juce::String& value)
{
    if (settings->containsKey (key) && settings->getValue (key) == value)
        return false;

    settings->setValue (key, value);
    return true;
}

void OVEXStandaloneFilterWindow::keepSettings()
{
    if (settings == nullptr)
        return;

    if (storeSettings())
        quietTicks = 0;
    else if (settings->needsToBeSaved() && ++quietTicks >= quietTicksBeforeSaving)
        saveSettingsFile (*settings);
}

void OVEXStandaloneFilterWindow::timerCallback()
{
    keepSettings();

    // A silence found on this tick waits the whole interval before its first reopening.
    const bool wasLost = lostSetup.has_value();
    watchForSilentDevice();

    if (wasLost && lostSetup.has_value() && ++ticksSinceLoss % ticksBetweenReopenings == 0)
        tryToReopen();

    keepTryingToOpen();
}

void OVEXStandaloneFilterWindow::changeListenerCallback (juce::ChangeBroadcaster*)
{
    // A stopped device is told by its callback, which goes before the broadcast, rather than by
    // isOpen, which may follow it.
    if (lostSetup.has_value() || ! hasLostItsDevice (*deviceManager))
        return;

    // Not closed here: a JACK server that shuts down in good order goes on telling the device's
    // client threads about its vanishing ports for a while, and they call into the device, which
    // must still exist. It is deleted at the first attempt to reopen.
    startReopening ("was lost", firstTicksBetweenReopenings);
}

void OVEXStandaloneFilterWindow::watchForSilentDevice()
{
    auto* device = deviceManager->getCurrentAudioDevice();
    const auto blocks = countingCallback.getBlockCount();
    const bool calledBack = blocks != lastBlockCount;
    lastBlockCount = blocks;

    if (calledBack && silencesInARow > 0 && device != nullptr)
    {
        silencesInARow = 0;
        juce::Logger::writeToLog ("Audio device " + device->getName() + " calls back again");
        mendInNotice (silentDeviceTitle, deviceBackTitle, nameAndType (*device));
    }

    if (lostSetup.has_value() || device == nullptr || ! device->isPlaying() || calledBack)
    {
        silentTicks = 0;
        return;
    }

    if (++silentTicks < silentTicksBeforeLoss)
        return;

    silentTicks = 0;

    // 2, 4, 8, 16, then 30 seconds: a server that stops calling on purpose is left alone mostly.
    const int ticksBetweenAttempts
        = juce::jmin (firstTicksBetweenReopenings << juce::jmin (silencesInARow, 4), mostTicksBetweenReopenings);

    if (silencesInARow++ == 0)
    {
        const auto said = nameAndType (*device) + " has not called back for " + juce::String (silentTicksBeforeLoss) + " seconds";
        sayInNotice (silentDeviceTitle, said + "; it is opened again.");
        startReopening ("stopped calling back", ticksBetweenAttempts);
    }
    else
    {
        startReopening ("stopped calling back again", ticksBetweenAttempts);
    }

    // Nothing calls into it any more (an ALSA thread that has ended, a JACK client the server
    // does not call); closed, it is no longer taken for a device that plays.
    deviceManager->closeAudioDevice();
}

void OVEXStandaloneFilterWindow::startReopening (const juce::String& what, int ticksBetweenAttempts)
{
    auto* device = deviceManager->getCurrentAudioDevice();
    juce::Logger::writeToLog ("Audio device " + device->getName() + " " + what + "; trying to open it again every "
                              + juce::String (ticksBetweenAttempts) + " seconds");
    lostSetup = deviceManager->getAudioDeviceSetup();
    lostDeviceName = device->getName();
    lostDeviceType = deviceManager->getCurrentAudioDeviceType();
    ticksSinceLoss = 0;
    ticksBetweenReopenings = ticksBetweenAttempts;
}

void OVEXStandaloneFilterWindow::tryToReopen()
{
    // A device that plays, or another device, was chosen on the device page meanwhile.
    if (auto* current = deviceManager->getCurrentAudioDevice())
    {
        if (current->isPlaying() || current->getName() != lostDeviceName)
        {
            stopReopening ("another audio set-up was chosen");
            return;
        }

        deviceManager->closeAudioDevice();
    }

    if (deviceManager->getCurrentAudioDeviceType() != lostDeviceType)
        deviceManager->setCurrentAudioDeviceType (lostDeviceType, false);

    if (auto* type = deviceManager->getCurrentDeviceTypeObject())
        type->scanForDevices();

    const auto error = deviceManager->setAudioDeviceSetup (*lostSetup, true);
    auto* device = deviceManager->getCurrentAudioDevice();

    if (error.isEmpty() && device != nullptr && device->isOpen())
        stopReopening ("reopened at " + juce::String (device->getCurrentSampleRate()) + " Hz");
}

void OVEXStandaloneFilterWindow::stopReopening (const juce::String& why)
{
    juce::Logger::writeToLog ("Audio device " + lostDeviceName + ": " + why);
    lostSetup.reset();
}

void OVEXStandaloneFilterWindow::keepTryingToOpen()
{
    const bool namesNoOutput = setupToOpen != nullptr && setupToOpen->getStringAttribute ("audioOutputDeviceName").isEmpty();
    const bool namesNoDevice = namesNoOutput && setupToOpen->getStringAttribute ("audioInputDeviceName").isEmpty();

    if (deviceManager->getCurrentAudioDevice() != nullptr || lostSetup.has_value() || namesNoDevice)
    {
        tryingToOpen = false;
        return;
    }

    if (! tryingToOpen)
    {
        const auto what = setupToOpen == nullptr ? juce::String ("the default device")
                          : namesNoOutput        ? setupToOpen->getStringAttribute ("audioInputDeviceName")
                                                 : setupToOpen->getStringAttribute ("audioOutputDeviceName");
        juce::Logger::writeToLog ("No audio device is open; trying to open " + what + " again");
        tryingToOpen = true;
        ticksSinceOpenAttempt = 0;
        ticksBetweenOpenAttempts = firstTicksBetweenOpenAttempts;
        return;
    }

    if (++ticksSinceOpenAttempt < ticksBetweenOpenAttempts)
        return;

    ticksSinceOpenAttempt = 0;
    ticksBetweenOpenAttempts = juce::jmin (2 * ticksBetweenOpenAttempts, mostTicksBetweenOpenAttempts);

    // The manager scans its types once; a device that appeared since (a JACK server started after
    // the program) is only found by scanning again.
    const auto typeToOpen = setupToOpen != nullptr ? setupToOpen->getStringAttribute ("deviceType") : juce::String();
    const auto& types = deviceManager->getAvailableDeviceTypes();
    const bool knownType = std::any_of (types.begin(), types.end(),
                                        [&typeToOpen] (auto* type) { return type->getTypeName() == typeToOpen; });

    for (auto* type : types)
        if (! knownType || type->getTypeName() == typeToOpen)
            type->scanForDevices();

    // Silent: the error is the one said at start, or the one the page said when the user chose.
    openSetupToOpen();

    if (auto* device = deviceManager->getCurrentAudioDevice())
    {
        juce::Logger::writeToLog ("Audio device " + device->getName() + " opened at " + juce::String (device->getCurrentSampleRate())
                                  + " Hz");
        mendInNotice (noDeviceTitle, deviceOpenedTitle, nameAndType (*device));
        tryingToOpen = false;
    }
}

void OVEXStandaloneFilterWindow::setupAppliedOnPage (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& asked)
{
    // From now on the user's choice is what is opened while no device is; one that failed is
    // tried again from the shortest wait.
    setupToOpen = deviceSetupXml (typeName, asked, nullptr);
    tryingToOpen = false;
    silencesInARow = 0;

    if (lostSetup.has_value())
        stopReopening ("another audio set-up was chosen");
}

juce::ApplicationCommandManager* OVEXStandaloneFilterWindow::getCommandManager()
{
    if (commandManager == nullptr)
        commandManager = new juce::ApplicationCommandManager();

    return commandManager;
}

OVEXStandaloneFilterWindow* OVEXStandaloneFilterWindow::findMainWindow()
{
    auto& desktop = juce::Desktop::getInstance();

    for (int i = desktop.getNumComponents(); --i >= 0;)
        if (auto* window = dynamic_cast<OVEXStandaloneFilterWindow*> (desktop.getComponent (i)))
            return window;

    return nullptr;
}

void OVEXStandaloneFilterWindow::resized()
{
    juce::DocumentWindow::resized();

    if (processor != nullptr)
        if (auto* editor = processor->getActiveEditor())
            editor->centreWithSize (editor->getWidth(), editor->getHeight());
}

void OVEXStandaloneFilterWindow::closeButtonPressed()
{
    juce::JUCEApplicationBase::quit();
}

void OVEXStandaloneFilterWindow::handleAsyncUpdate()
{
    getCommandManager()->registerAllCommandsForTarget (commandTarget.get());
    getCommandManager()->registerAllCommandsForTarget (juce::JUCEApplication::getInstance());
    reportStartProblems();
}

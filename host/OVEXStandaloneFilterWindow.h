#pragma once

#include "CommandsListener.h"
#include "CountingAudioCallback.h"
#include "OvexjuceLoudnessAudioProcessor.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <optional>

class OvexjuceLoudnessAudioProcessorEditor;

/** The program's only window. Owns everything that runs: the settings file, the audio device
    manager, the processor and the player that connects the two, and the command target that
    holds the editor. Restores processor state, audio device and position from the settings file
    when built, keeps the state and the device set-up in it while it runs, and saves everything
    back when destroyed. Lives on the message thread; the audio device thread reaches the processor
    only through the player. */
class OVEXStandaloneFilterWindow : public juce::DocumentWindow,
                                   public juce::AsyncUpdater,
                                   private juce::ChangeListener,
                                   private juce::Timer
{
public:
    using DeviceManagerFactory = std::function<std::unique_ptr<juce::AudioDeviceManager>()>;

    /** settings may be null: nothing is then read or saved. createDeviceManager chooses which
        audio device types the window sees; by default, the platform's. */
    OVEXStandaloneFilterWindow (const juce::String& title, juce::Colour backgroundColour,
                                std::unique_ptr<juce::PropertiesFile> settings,
                                const DeviceManagerFactory& createDeviceManager = {});
    ~OVEXStandaloneFilterWindow() override;

    void createFilter();

    static juce::ApplicationCommandManager* getCommandManager();
    static OVEXStandaloneFilterWindow* findMainWindow();

    void resized() override;
    void closeButtonPressed() override;

    /** Registers the commands and says in the editor's notice what went wrong at start: no audio
        device could be opened, or the settings file was set aside. */
    void handleAsyncUpdate() override;

    /** The settings file was set aside as damaged (where and why): said once the window's first
        message turn comes. */
    void reportSettingsSetAside (const juce::String& keptAside);

    /** Once a second: puts a changed processor state or device set-up into the settings and saves
        them three quiet seconds after the last change (a killed run keeps what the user chose),
        watches the device (see below), tries to reopen a lost one and, while no device is open,
        to open one. Public so that tests can drive it. */
    void timerCallback() override;

    OvexjuceLoudnessAudioProcessor* getProcessor() const noexcept { return processor.get(); }
    juce::AudioDeviceManager* getDeviceManager() const noexcept { return deviceManager.get(); }
    CommandsListener* getCommandTarget() const noexcept { return commandTarget.get(); }

private:
    void restoreFilterState();
    void restoreAudioSetup();
    void takeChannelsFromLayouts (juce::AudioDeviceManager::AudioDeviceSetup& setup) const;
    void restorePosition();

    /** Said once the window's first message turn comes. */
    void reportStartProblems();
    std::optional<juce::String> noDeviceReason;
    juce::String settingsKeptAside;

    OvexjuceLoudnessAudioProcessorEditor* findEditor() const;
    /** In the editor's notice, or in the log while there is no editor. */
    void sayInNotice (const juce::String& title, const juce::String& text);
    /** Shows a recovery in place of the failure titled so, while the notice still shows it. */
    void mendInNotice (const juce::String& failureTitle, const juce::String& title, const juce::String& text);

    /** Puts the processor state and the device set-up into the settings; whether either changed. */
    bool storeSettings();
    bool storeIfChanged (const juce::String& key, const juce::String& value);
    void keepSettings();

    /** A device the back-end stopped on its own (for JACK, the server's shut-down), or one that
        says it plays but has not called back for three seconds (an ALSA thread that left its loop,
        a JACK client the server never calls), is reopened with its set-up every two seconds until
        that works, at whatever rate the back-end now runs, or until a device is opened otherwise.
        A device that stays silent again after being reopened waits twice as long each time before
        the next reopening, up to 30 seconds: each reopening drops the connections other programs
        made to a JACK client. The silence is said once in the notice, until the device calls back.
        A set-up the user applies, working or not, is never itself reopened. */
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void watchForSilentDevice();
    void startReopening (const juce::String& what, int ticksBetweenAttempts);
    void tryToReopen();
    void stopReopening (const juce::String& why);

    std::optional<juce::AudioDeviceManager::AudioDeviceSetup> lostSetup;
    juce::String lostDeviceName, lostDeviceType;
    int ticksSinceLoss = 0, ticksBetweenReopenings = 0, silentTicks = 0, quietTicks = 0;
    /** How often in a row the device was found silent, reopened or not in between; 0 once it calls back. */
    int silencesInARow = 0;
    juce::uint32 lastBlockCount = 0;

    /** While no device is open (none opened at start, or the user's choice failed), the set-up to
        open, null for the default device, is tried again, silently, after rescanning its type's
        devices: two seconds apart at first, then up to ten. A stored or chosen set-up never gives
        way to the default device. */
    void keepTryingToOpen();
    juce::String openSetupToOpen();
    void setupAppliedOnPage (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& asked);

    std::unique_ptr<juce::XmlElement> setupToOpen;
    bool tryingToOpen = false;
    int ticksSinceOpenAttempt = 0, ticksBetweenOpenAttempts = 0;

    std::unique_ptr<juce::PropertiesFile> settings;
    std::unique_ptr<OvexjuceLoudnessAudioProcessor> processor;
    std::unique_ptr<juce::AudioDeviceManager> deviceManager;
    std::unique_ptr<CommandsListener> commandTarget;
    juce::AudioProcessorPlayer player;
    CountingAudioCallback countingCallback { player };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXStandaloneFilterWindow)
};

#pragma once

#include "OVEXStandaloneFilterWindow.h"
#include "ProductInfo.h"
#include "QuitSignalWatcher.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The application object: opens the settings file and creates the one main window, which owns
    that file from then on. Called by the framework on the message thread. */
class QIT5_1StandExtApplication : public juce::JUCEApplication
{
public:
    QIT5_1StandExtApplication() = default;
    ~QIT5_1StandExtApplication() override;

    const juce::String getApplicationName() override { return productInfo::applicationName; }
    const juce::String getApplicationVersion() override { return productInfo::applicationVersion; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String& commandLine) override;
    void shutdown() override {}
    void anotherInstanceStarted (const juce::String&) override {}
    void systemRequestedQuit() override { juce::JUCEApplicationBase::quit(); }

private:
    std::unique_ptr<QuitSignalWatcher> quitSignals;
    std::unique_ptr<OVEXStandaloneFilterWindow> mainWindow;

    /** Handed to the main window, which owns and deletes it. */
    juce::PropertiesFile* settings = nullptr;

    JUCE_DECLARE_NON_COPYABLE (QIT5_1StandExtApplication)
};

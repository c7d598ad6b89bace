#include "QIT5_1StandExtApplication.h"

#include "SettingsFile.h"

QIT5_1StandExtApplication::~QIT5_1StandExtApplication()
{
    // Destroying the window saves the settings; a termination signal meanwhile is still only noted.
    mainWindow = nullptr;
    quitSignals = nullptr;
}

void QIT5_1StandExtApplication::initialise (const juce::String&)
{
    quitSignals = std::make_unique<QuitSignalWatcher> ([this] { systemRequestedQuit(); });

    juce::String keptAside;
    auto settingsFile = openSettingsFile (&keptAside);
    settings = settingsFile.get();

    mainWindow = std::make_unique<OVEXStandaloneFilterWindow> (productInfo::productTitle, juce::Colour (0xff000000),
                                                               std::move (settingsFile));

    if (keptAside.isNotEmpty())
        mainWindow->reportSettingsSetAside (keptAside);

    mainWindow->setTitleBarButtonsRequired (juce::DocumentWindow::allButtons, true);
    mainWindow->setColour (juce::DocumentWindow::textColourId, juce::Colours::white);
    mainWindow->setUsingNativeTitleBar (true);
    mainWindow->setTitleBarTextCentred (true);
    mainWindow->setVisible (true);
    mainWindow->setResizable (true, false);
}

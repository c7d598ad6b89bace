#include "CommandsListener.h"

#include "OVEXStandaloneFilterWindow.h"

bool repaintDisplayFlag = false;

juce::ApplicationCommandTarget* CommandsListener::getNextCommandTarget()
{
    return findFirstTargetParentComponent();
}

void CommandsListener::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.add (toggleRepaintDisplay);
    commands.add (showFullScreenKioskMode);
}

void CommandsListener::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    switch (commandID)
    {
        case toggleRepaintDisplay:
            result.setInfo ("Toggle repaint display", "", "General", 0);
            result.addDefaultKeypress ('r', juce::ModifierKeys::noModifiers);
            result.setTicked (repaintDisplayFlag);
            break;

        case showFullScreenKioskMode:
            result.setInfo ("Show full-screen kiosk mode", "", "General", 0);
            result.addDefaultKeypress ('f', juce::ModifierKeys::commandModifier);
            result.setTicked (juce::Desktop::getInstance().getKioskModeComponent() != nullptr);
            break;

        default:
            break;
    }
}

bool CommandsListener::perform (const juce::ApplicationCommandTarget::InvocationInfo& info)
{
    auto* mainWindow = OVEXStandaloneFilterWindow::findMainWindow();

    if (mainWindow == nullptr)
        return true;

    switch (info.commandID)
    {
        case showFullScreenKioskMode:
        {
            auto& desktop = juce::Desktop::getInstance();

            if (desktop.getKioskModeComponent() != nullptr)
                desktop.setKioskModeComponent (nullptr, true);
            else
                desktop.setKioskModeComponent (getTopLevelComponent(), true);

            return true;
        }

        case toggleRepaintDisplay:
            repaintDisplayFlag = ! repaintDisplayFlag;
            mainWindow->repaint();
            return true;

        default:
            return false;
    }
}

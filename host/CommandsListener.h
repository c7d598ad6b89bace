#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Flipped by the repaint command; nothing reads it but that command's ticked state. */
extern bool repaintDisplayFlag;

/** The main window's content: holds the processor's editor and is the target of the program's
    two keyboard commands, r (repaint toggle) and Ctrl+F (full-screen kiosk mode). Lives on the
    message thread. */
class CommandsListener : public juce::Component,
                         public juce::ApplicationCommandTarget
{
public:
    enum CommandIDs
    {
        toggleRepaintDisplay = 0x200E,
        showFullScreenKioskMode = 0x200F
    };

    CommandsListener() = default;

    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const juce::ApplicationCommandTarget::InvocationInfo& info) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CommandsListener)
};

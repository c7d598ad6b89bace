#include "HostTestHelpers.h"
#include "QIT5_1StandExtApplication.h"

namespace
{
juce::ApplicationCommandInfo infoFor (CommandsListener& target, juce::CommandID id)
{
    juce::ApplicationCommandInfo info (id);
    target.getCommandInfo (id, info);
    return info;
}

bool perform (CommandsListener& target, juce::CommandID id)
{
    return target.perform (juce::ApplicationCommandTarget::InvocationInfo (id));
}

/** What the window's own key listener does with a key press. */
bool pressKey (OVEXStandaloneFilterWindow& window, const juce::KeyPress& key)
{
    return OVEXStandaloneFilterWindow::getCommandManager()->getKeyMappings()->keyPressed (key, &window);
}
} // namespace

TEST (CommandsListener, OffersTheRepaintAndKioskCommandsWithTheirKeys)
{
    CommandsListener target;
    juce::Array<juce::CommandID> commands;
    target.getAllCommands (commands);
    EXPECT_EQ (commands, juce::Array<juce::CommandID> ({ 0x200E, 0x200F }));

    struct Row
    {
        juce::CommandID id;
        const char* shortName;
        juce::KeyPress key;
    };

    const Row rows[] = {
        { 0x200E, "Toggle repaint display", juce::KeyPress ('r', 0, 0) },
        { 0x200F, "Show full-screen kiosk mode", juce::KeyPress ('f', juce::ModifierKeys::commandModifier, 0) },
    };

    for (const auto& row : rows)
    {
        const auto info = infoFor (target, row.id);
        EXPECT_EQ (info.shortName, row.shortName);
        EXPECT_EQ (info.description, "");
        EXPECT_EQ (info.categoryName, "General");
        EXPECT_EQ (info.flags, 0);
        ASSERT_EQ (info.defaultKeypresses.size(), 1);
        EXPECT_EQ (info.defaultKeypresses[0], row.key);
    }

    EXPECT_EQ (juce::KeyPress ('f', juce::ModifierKeys::commandModifier, 0),
               juce::KeyPress ('f', juce::ModifierKeys::ctrlModifier, 0));

    const auto other = infoFor (target, 0x1001);
    EXPECT_TRUE (other.shortName.isEmpty());
    EXPECT_TRUE (other.defaultKeypresses.isEmpty());
}

TEST (CommandsListener, WithNoMainWindowACommandCountsAsHandledAndChangesNothing)
{
    repaintDisplayFlag = false;
    CommandsListener target;

    EXPECT_TRUE (perform (target, CommandsListener::toggleRepaintDisplay));
    EXPECT_TRUE (perform (target, CommandsListener::showFullScreenKioskMode));
    EXPECT_FALSE (repaintDisplayFlag);
    EXPECT_EQ (juce::Desktop::getInstance().getKioskModeComponent(), nullptr);
}

TEST_F (MainWindowTest, RepaintCommandFlipsTheFlagAndItsTick)
{
    auto& target = *openWindow().getCommandTarget();

    EXPECT_TRUE (perform (target, CommandsListener::toggleRepaintDisplay));
    EXPECT_TRUE (repaintDisplayFlag);
    EXPECT_TRUE ((infoFor (target, CommandsListener::toggleRepaintDisplay).flags & juce::ApplicationCommandInfo::isTicked) != 0);

    EXPECT_TRUE (perform (target, CommandsListener::toggleRepaintDisplay));
    EXPECT_FALSE (repaintDisplayFlag);
    EXPECT_EQ (infoFor (target, CommandsListener::toggleRepaintDisplay).flags & juce::ApplicationCommandInfo::isTicked, 0);

    EXPECT_FALSE (perform (target, 0x1001));
}

TEST_F (MainWindowTest, KeysReachTheCommandsOnceTheMessageLoopHasRegisteredThem)
{
    QIT5_1StandExtApplication application;
    auto& w = openWindow();
    w.setVisible (true);

    // Keyboard focus is shared by every test on the display, so the target a focused window
    // would lead to is named directly.
    auto* commands = OVEXStandaloneFilterWindow::getCommandManager();
    commands->setFirstCommandTarget (w.getCommandTarget());

    EXPECT_FALSE (pressKey (w, juce::KeyPress ('r', 0, 0)));
    EXPECT_FALSE (repaintDisplayFlag);

    w.handleUpdateNowIfNeeded();

    EXPECT_TRUE (pressKey (w, juce::KeyPress ('r', 0, 0)));
    EXPECT_TRUE (repaintDisplayFlag);
    EXPECT_NE (commands->getCommandForID (juce::StandardApplicationCommandIDs::quit), nullptr)
        << "the application's Quit is registered too";

    commands->setFirstCommandTarget (nullptr);
    closeWindow();
}

TEST_F (MainWindowTest, CtrlFEntersAndLeavesKioskModeAndRestoresTheBounds)
{
    auto& w = openWindow();
    w.setVisible (true);
    w.handleUpdateNowIfNeeded();
    OVEXStandaloneFilterWindow::getCommandManager()->setFirstCommandTarget (w.getCommandTarget());

    const auto ownBounds = w.getBounds();
    const juce::KeyPress ctrlF ('f', juce::ModifierKeys::ctrlModifier, 0);
    auto& desktop = juce::Desktop::getInstance();

    ASSERT_TRUE (pressKey (w, ctrlF));
    EXPECT_EQ (desktop.getKioskModeComponent(), &w);
    EXPECT_EQ (w.getBounds(), desktop.getDisplays().getDisplayForRect (ownBounds)->totalArea);
    EXPECT_NE (infoFor (*w.getCommandTarget(), CommandsListener::showFullScreenKioskMode).flags & juce::ApplicationCommandInfo::isTicked, 0);

    auto* editor = w.getProcessor()->getActiveEditor();
    EXPECT_EQ (editor->getBounds().getCentre(), w.getCommandTarget()->getLocalBounds().getCentre()) << "the editor stays centred";

    ASSERT_TRUE (pressKey (w, ctrlF));
    EXPECT_EQ (desktop.getKioskModeComponent(), nullptr);
    EXPECT_EQ (w.getBounds(), ownBounds);

    OVEXStandaloneFilterWindow::getCommandManager()->setFirstCommandTarget (nullptr);
}

TEST_F (MainWindowTest, QuittingInKioskModeSavesTheWindowsOwnPosition)
{
    auto& w = openWindow();
    w.setVisible (true);
    const auto ownPosition = w.getPosition();

    perform (*w.getCommandTarget(), CommandsListener::showFullScreenKioskMode);
    ASSERT_EQ (juce::Desktop::getInstance().getKioskModeComponent(), &w);
    closeWindow();

    EXPECT_EQ (juce::Desktop::getInstance().getKioskModeComponent(), nullptr);
    const auto settings = openSettingsFile();
    EXPECT_EQ (settings->getIntValue ("windowX"), ownPosition.x);
    EXPECT_EQ (settings->getIntValue ("windowY"), ownPosition.y);
}

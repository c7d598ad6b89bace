#include "NolvResources.h"
#include "OVEXReport.h"
#include "ReportViewerTestKit.h"
#include "ScopedTemporaryFolder.h"
#include "WindowsRunAsInAnApplication.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
template <typename Type>
Type* findDescendant (juce::Component& parent)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* found = dynamic_cast<Type*> (child))
            return found;

        if (auto* found = findDescendant<Type> (*child))
            return found;
    }

    return nullptr;
}

// JUCE's own folder dialog, a modal window. With zenity or kdialog installed the chooser runs that
// program instead, which a test cannot answer; JUCE looks for them once a process with `which`, so
// before anything asks, the search path holds `which` alone.
class FolderChooser : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static const testsupport::ScopedTemporaryFolder onlyWhich;
        const juce::File machineWhich ("/usr/bin/which");
        ASSERT_TRUE (machineWhich.existsAsFile())
            << "/usr/bin/which is missing or a dangling link on this machine; restore it with "
               "'apt-get install --reinstall debianutils'";

        // JUCE's a.createSymbolicLink (b) makes the link at b, pointing to a.
        const auto which = onlyWhich.getChildFile ("which");
        ASSERT_TRUE (machineWhich.getLinkedTarget().createSymbolicLink (which, true));
        ASSERT_TRUE (which.isSymbolicLink() && which.getParentDirectory() == onlyWhich.getFolder());

        // With no `which` on the path, the chooser would find no helper programs for the wrong reason.
        juce::ChildProcess run;
        ASSERT_TRUE (run.start (juce::StringArray { which.getFullPathName(), which.getFullPathName() }));
        EXPECT_EQ (run.readAllProcessOutput().trim(), which.getFullPathName());
        ASSERT_EQ (run.getExitCode(), 0u) << "the folder's `which` does not run";

        ::setenv ("PATH", onlyWhich.getFolder().getFullPathName().toRawUTF8(), 1);
        ASSERT_FALSE (juce::FileChooser::isPlatformDialogAvailable());
    }

    void SetUp() override
    {
        previewer = std::make_unique<OVEXReport> (nolvFont (20.0f));
        previewer->addChangeListener (&broadcasts);
        field ("folderField").setText ("/typed/folder", juce::dontSendNotification);
        field ("nameField").setText ("Typed", juce::dontSendNotification);
    }

    void TearDown() override
    {
        previewer.reset();
        modal().cancelAllModalComponents();
        turnMessageLoop();
    }

    /** The dialog answers through a message posted when it closes: deliver what is queued. */
    static void turnMessageLoop() { juce::MessageManager::getInstance()->runDispatchLoopUntil (50); }

    juce::TextEditor& field (const char* id) { return *dynamic_cast<juce::TextEditor*> (previewer->findChildWithID (id)); }

    static juce::ModalComponentManager& modal() { return *juce::ModalComponentManager::getInstance(); }

    juce::Component* openChooser()
    {
        previewer->buttonClicked (dynamic_cast<juce::Button*> (previewer->findChildWithID ("browse")));
        return modal().getModalComponent (0);
    }

    int broadcastsAfterTheDialog()
    {
        turnMessageLoop();
        return broadcasts.take (*previewer);
    }

    std::unique_ptr<OVEXReport> previewer;
    viewertest::ChangeCounter broadcasts;
};
} // namespace

TEST_F (FolderChooser, APickedFolderGoesIntoTheFieldAndACancelledOneStillAnnouncesTheFieldsAsTheyStand)
{
    ASSERT_NE (openChooser(), nullptr);
    EXPECT_EQ (broadcastsAfterTheDialog(), 0) << "nothing before the dialog closes";

    modal().cancelAllModalComponents();
    EXPECT_EQ (broadcastsAfterTheDialog(), 1);
    EXPECT_EQ (previewer->getLogFolderText() + " " + previewer->getLogNameText(), "/typed/folder Typed");

    testsupport::ScopedTemporaryFolder picked;
    auto* dialog = openChooser();
    ASSERT_NE (dialog, nullptr);
    auto* browser = findDescendant<juce::FileBrowserComponent> (*dialog);
    ASSERT_NE (browser, nullptr);

    browser->setRoot (picked.getFolder());
    dialog->exitModalState (1);

    EXPECT_EQ (broadcastsAfterTheDialog(), 1);
    EXPECT_EQ (field ("folderField").getText(), picked.getFolder().getFullPathName());
    EXPECT_EQ (previewer->getLogFolderText() + " " + previewer->getLogNameText(), picked.getFolder().getFullPathName() + " Typed");
}

TEST_F (FolderChooser, ThePageCanGoWhileTheDialogIsOpen)
{
    ASSERT_NE (openChooser(), nullptr);
    previewer.reset();

    // The dialog went with the page; its late answer reaches nothing.
    modal().cancelAllModalComponents();
    turnMessageLoop();
    EXPECT_EQ (modal().getNumModalComponents(), 0);
    EXPECT_EQ (broadcasts.count, 0);
}

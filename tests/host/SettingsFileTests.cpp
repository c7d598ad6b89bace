#include "CapturingLogger.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
class SettingsFileTest : public testing::Test
{
protected:
    /** A symbolic link at `link`, leading to `target`. */
    bool makeLink (const juce::File& link, const juce::File& target)
    {
        links.push_back (link);
        return ::symlink (target.getFullPathName().toRawUTF8(), link.getFullPathName().toRawUTF8()) == 0;
    }

    void TearDown() override
    {
        const auto& folder = configFolder.getFolder();

        for (const auto& written : { getSettingsFile(), file, damaged })
            EXPECT_TRUE (testsupport::leadsOnlyInside (written, folder)) << written.getFullPathName();

        for (const auto& link : links)
            EXPECT_TRUE (testsupport::leadsOnlyInside (link, folder)) << link.getFullPathName() << " leads outside";
    }

    testsupport::ScopedTemporaryFolder configFolder;
    testsupport::ScopedEnvironmentVariable configHome { "XDG_CONFIG_HOME", configFolder.getFolder().getFullPathName().toStdString() };
    juce::File file = getSettingsFile(), damaged = file.getSiblingFile ("NOLV51.prefs.damaged");
    std::vector<juce::File> links;
};
} // namespace

TEST_F (SettingsFileTest, ADamagedOrOversizedFileIsKeptBesideAndTheProgramStartsFromDefaults)
{
    const auto keys = [] (int count)
    {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n";

        for (int i = 0; i < count; ++i)
            text += "<VALUE name=\"key" + std::to_string (i) + "\" val=\"1\"/>\n";

        return text + "</PROPERTIES>\n";
    };

    const juce::String good = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n<VALUE name=\"windowX\" val=\"12\"/>\n</PROPERTIES>\n";
    const std::pair<juce::String, const char*> cases[] = { // contents, why it is damaged
        { good.substring (0, 80), "it holds no settings" },
        { good.substring (0, 85), "it holds no settings" },
        { "\x01\x02garbage<<<", "it holds no settings" },
        { "PROP\x01\x00\x00\x00", "it holds no settings" },
        { "<PROPERTIES a=\"" + juce::String::repeatedString ("x", 8000) + "\"/>", nullptr },
        { keys (40000), "it is larger than 1048576 bytes" },
        { keys (257), "it holds more than 256 settings" },
        { keys (256), nullptr },
        { good, nullptr },
        { {}, nullptr },
    };

    for (const auto& [contents, damage] : cases)
    {
        SCOPED_TRACE (contents.substring (0, 40));
        ASSERT_TRUE (file.getParentDirectory().createDirectory());
        ASSERT_TRUE (file.replaceWithData (contents.toRawUTF8(), contents.getNumBytesAsUTF8()));
        damaged.replaceWithText ("an older damaged file");

        testsupport::CapturingLogger log;
        const auto settings = openSettingsFile();

        if (damage == nullptr)
        {
            EXPECT_EQ (settings->getIntValue ("windowX", -100), contents == good ? 12 : -100);
            EXPECT_EQ (damaged.loadFileAsString(), "an older damaged file");
            EXPECT_TRUE (log.lines().isEmpty()) << log.lines().joinIntoString ("\n");
            continue;
        }

        EXPECT_TRUE (settings->getAllProperties().size() == 0);
        EXPECT_EQ (damaged.loadFileAsString(), contents);
        ASSERT_EQ (log.lines().size(), 1);
        EXPECT_EQ (log.lines()[0], "Settings file " + file.getFullPathName() + " is damaged (" + damage
                                       + "): kept as NOLV51.prefs.damaged, starting from default settings");
    }
}

TEST_F (SettingsFileTest, ASaveThatCannotBeMadeIsLoggedAndLeavesTheFileAndItsPermissionsAlone)
{
    const auto folder = file.getParentDirectory();
    ASSERT_TRUE (folder.createDirectory());

    const auto saveOnce = [&]
    {
        testsupport::CapturingLogger log;
        const auto settings = openSettingsFile();
        settings->setValue ("windowX", 7);
        EXPECT_FALSE (saveSettingsFile (*settings));
        return log.lines().joinIntoString ("\n");
    };

    // The path is a folder.
    ASSERT_TRUE (file.createDirectory());
    EXPECT_TRUE (saveOnce().endsWith (file.getFullPathName() + ": it is a folder"));
    ASSERT_TRUE (file.deleteRecursively());

    // A read-only file stays as it was, read-only.
    ASSERT_TRUE (file.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES/>\n"));
    ASSERT_EQ (::chmod (file.getFullPathName().toRawUTF8(), 0444), 0);
    EXPECT_TRUE (saveOnce().endsWith (file.getFullPathName() + ": it is read-only"));
    struct stat info {};
    ASSERT_EQ (::stat (file.getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ (info.st_mode & 0777, 0444u);
    EXPECT_FALSE (file.loadFileAsString().contains ("windowX"));
    ::chmod (file.getFullPathName().toRawUTF8(), 0644);

    // A read-only folder.
    ASSERT_EQ (::chmod (folder.getFullPathName().toRawUTF8(), 0555), 0);
    EXPECT_TRUE (saveOnce().endsWith (file.getFullPathName() + ": its folder is read-only"));
    ::chmod (folder.getFullPathName().toRawUTF8(), 0755);

    // And an ordinary save says nothing.
    testsupport::CapturingLogger log;
    const auto settings = openSettingsFile();
    settings->setValue ("windowX", 7);
    EXPECT_TRUE (saveSettingsFile (*settings));
    EXPECT_TRUE (log.lines().isEmpty());
    EXPECT_TRUE (file.loadFileAsString().contains ("windowX"));
}

TEST_F (SettingsFileTest, ASaveKeepsTheFilesModeAndWritesTheFileALinkPointsTo)
{
    const auto elsewhere = configFolder.getFolder().getChildFile ("elsewhere/kept.prefs");
    ASSERT_TRUE (file.getParentDirectory().createDirectory() && elsewhere.getParentDirectory().createDirectory());

    for (const bool linked : { false, true })
    {
        SCOPED_TRACE (linked ? "linked" : "plain");
        const auto written = linked ? elsewhere : file;
        const mode_t mode = linked ? 0640 : 0600;
        ASSERT_TRUE (file.deleteFile() && written.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES/>\n"));
        ASSERT_EQ (::chmod (written.getFullPathName().toRawUTF8(), mode), 0);
        ASSERT_TRUE (! linked || makeLink (file, elsewhere));

        const auto settings = openSettingsFile();
        settings->setValue ("windowX", 7);
        EXPECT_TRUE (saveSettingsFile (*settings));

        struct stat info {};
        ASSERT_EQ (::lstat (file.getFullPathName().toRawUTF8(), &info), 0);
        EXPECT_EQ (S_ISLNK (info.st_mode), linked);
        EXPECT_EQ (file.getLinkedTarget(), written);
        ASSERT_EQ (::stat (written.getFullPathName().toRawUTF8(), &info), 0);
        EXPECT_EQ (info.st_mode & 0777, mode);
        EXPECT_EQ (openSettingsFile()->getIntValue ("windowX"), 7);
        EXPECT_EQ (written.getParentDirectory().getNumberOfChildFiles (juce::File::findFiles), 1) << "no temporary file left";
    }
}

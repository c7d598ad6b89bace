#include "ScopedSettingsFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

TEST (SettingsFile, FirstRunCreatesAnEmptyFileInTheSharedFolderAndEveryKeyTakesItsDefault)
{
    ScopedSettingsFolder settingsFolder;
    const auto folder = settingsFolder.getFolder().getChildFile ("miLOR");

    EXPECT_EQ (getSharedFolderPath(), folder.getFullPathName());
    EXPECT_FALSE (folder.exists()) << "asking for the path creates nothing";

    const auto settings = openSettingsFile();

    EXPECT_EQ (settings->getFile(), folder.getChildFile ("NOLV51.prefs"));
    EXPECT_TRUE (settings->getFile().existsAsFile());
    EXPECT_EQ (settings->getFile().getSize(), 0);
    EXPECT_EQ (settings->getAllProperties().size(), 0);
    EXPECT_EQ (settings->getIntValue ("windowX", -100), -100);
}

TEST (SettingsFile, StoredKeysAreFoundWhateverTheirCase)
{
    ScopedSettingsFolder settingsFolder;
    getSettingsFile().create();
    getSettingsFile().replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                       "<PROPERTIES><VALUE name=\"WINDOWX\" val=\"10\"/></PROPERTIES>\n");

    EXPECT_EQ (openSettingsFile()->getIntValue ("windowX", -100), 10);
}

TEST (SettingsFile, FilesThatCannotBeReadOrCreatedGiveAnEmptySet)
{
    {
        ScopedSettingsFolder settingsFolder;
        getSettingsFile().create();
        getSettingsFile().replaceWithText ("<PROPERTIES><VALUE name=\"windowX\"");

        EXPECT_EQ (openSettingsFile()->getAllProperties().size(), 0) << "truncated file";
    }
    {
        ScopedSettingsFolder settingsFolder;
        settingsFolder.getFolder().getChildFile ("miLOR").replaceWithText ("a file where the folder should be");

        const auto settings = openSettingsFile();
        EXPECT_EQ (settings->getAllProperties().size(), 0) << "folder blocked";
        settings->setValue ("windowX", 5);
        EXPECT_FALSE (settings->save());
    }
}

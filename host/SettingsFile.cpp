#include "SettingsFile.h"

#include "PlatformPaths.h"

juce::String getSharedFolderPath()
{
    return platformSharedFolder().getChildFile ("miLOR").getFullPathName();
}

juce::File getSettingsFile()
{
    return juce::File (getSharedFolderPath()).getChildFile ("NOLV51.prefs");
}

juce::PropertiesFile::Options getSettingsFileOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "NOLV51";
    options.commonToAllUsers = true;
    options.ignoreCaseOfKeyNames = true;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

std::unique_ptr<juce::PropertiesFile> openSettingsFile()
{
    const auto file = getSettingsFile();

    if (! file.existsAsFile())
    {
        // Failing here is not fatal: the set starts empty and the save at exit reports nothing.
        const auto created = file.create();

        if (created.failed())
            juce::Logger::writeToLog ("Cannot create " + file.getFullPathName() + ": " + created.getErrorMessage());
    }

    return std::make_unique<juce::PropertiesFile> (file, getSettingsFileOptions());
}

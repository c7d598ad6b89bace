#include "SettingsFile.h"

#include "PlatformPaths.h"

#include <sys/stat.h>

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

namespace
{
/** Why the file is no usable settings file, or nothing when it is one (an empty file is one). */
juce::String damageOf (const juce::File& file)
{
    if (! file.existsAsFile() || file.getSize() == 0)
        return {};

    if (file.getSize() > maximumSettingsBytes)
        return "it is larger than " + juce::String (maximumSettingsBytes) + " bytes";

    if (! file.hasReadAccess())
        return "it cannot be read";

    const auto document = juce::parseXML (file);

    if (document == nullptr || ! document->hasTagName ("PROPERTIES"))
        return "it holds no settings";

    return {};
}

/** By its mode bits rather than by access(), which lets root write anything: the framework's save
    replaces the file, which would leave a file the user made read-only writable. */
bool isMarkedReadOnly (const juce::File& file)
{
    struct stat info {};
    return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

juce::String saveProblemOf (const juce::File& file)
{
    if (file.isDirectory())
        return "it is a folder";

    if (file.existsAsFile() && isMarkedReadOnly (file))
        return "it is read-only";

    if (isMarkedReadOnly (file.getParentDirectory()))
        return "its folder is read-only";

    return {};
}
} // namespace

std::unique_ptr<juce::PropertiesFile> openSettingsFile()
{
    const auto file = getSettingsFile();
    const auto damage = damageOf (file);

    if (damage.isNotEmpty())
    {
        const auto kept = file.getSiblingFile (file.getFileName() + ".damaged");
        const bool moved = file.moveFileTo (kept);
        juce::Logger::writeToLog ("Settings file " + file.getFullPathName() + " is damaged (" + damage + "): "
                                  + (moved ? "kept as " + kept.getFileName() + ", " : juce::String())
                                  + "starting from default settings");
    }

    if (! file.existsAsFile())
    {
        // Failing here is not fatal: the set starts empty and the save at exit reports nothing.
        const auto created = file.create();

        if (created.failed())
            juce::Logger::writeToLog ("Cannot create " + file.getFullPathName() + ": " + created.getErrorMessage());
    }

    return std::make_unique<juce::PropertiesFile> (file, getSettingsFileOptions());
}

bool saveSettingsFile (juce::PropertiesFile& settings)
{
    if (! settings.needsToBeSaved())
        return true;

    const auto file = settings.getFile();
    auto problem = saveProblemOf (file);

    if (problem.isEmpty() && ! settings.save())
        problem = "the write failed";

    if (problem.isEmpty())
        return true;

    juce::Logger::writeToLog ("Settings could not be saved to " + file.getFullPathName() + ": " + problem);

    // Otherwise the framework's own save on deletion would try again, replacing a read-only file.
    settings.setNeedsToBeSaved (false);
    return false;
}

#include "SettingsFile.h"

#include "GuardedXml.h"
#include "PlatformPaths.h"

#include <cstdio>
#include <string_view>

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
/** The program writes four; a file holding hundreds is no settings file of ours, and the
    framework's case-blind key lookup makes loading one take time in the square of their count. */
constexpr int maximumSettingsKeys = 256;

int countKeys (std::string_view text)
{
    int count = 0;

    for (auto at = text.find ("<VALUE"); at != std::string_view::npos; at = text.find ("<VALUE", at + 1))
        ++count;

    return count;
}

/** Why the file may not be handed to the framework, or nothing when it may (no file, or an empty
    one, is fine). Its bytes are read here once, through the XML guard, so that the framework's own
    load meets no document type to follow and no nesting to recurse into. */
juce::String damageOf (const juce::File& file)
{
    if (! file.exists() || file.isDirectory())
        return {};

    const auto guarded = readRegularFile (file, maximumSettingsXmlBytes);

    switch (guarded.refusal)
    {
        case XmlRefusal::none: break;
        case XmlRefusal::notRegularFile: return "it is not a regular file";
        case XmlRefusal::tooLarge: return "it is larger than " + juce::String (maximumSettingsXmlBytes) + " bytes";
        default: return "it cannot be read";
    }

    const std::string_view text (static_cast<const char*> (guarded.bytes.getData()), guarded.bytes.getSize());

    // The framework also loads its binary forms, which the program never writes and which nothing
    // here could bound: the compressed one unpacks to any size.
    const auto magic = text.substr (0, 4);

    if (magic == "PROP" || magic == "CPRP" || ! isSafeXmlText (text.data(), text.size(), maximumXmlDepth))
        return "it holds no settings";

    if (countKeys (text) > maximumSettingsKeys)
        return "it holds more than " + juce::String (maximumSettingsKeys) + " settings";

    return {};
}

void setAside (const juce::File& file, const juce::String& damage)
{
    const auto kept = file.getSiblingFile (file.getFileName() + ".damaged");

    // Renamed, never copied: the framework's move copies when renaming fails, and copying a FIFO
    // would wait for a writer.
    const bool moved = ::rename (file.getFullPathName().toRawUTF8(), kept.getFullPathName().toRawUTF8()) == 0;
    juce::Logger::writeToLog ("Settings file " + file.getFullPathName() + " is damaged (" + damage + "): "
                              + (moved ? "kept as " + kept.getFileName() + ", " : juce::String())
                              + "starting from default settings");
}

void createIfMissing (const juce::File& file)
{
    if (file.existsAsFile())
        return;

    // Failing here is not fatal: the set starts empty and the save at exit reports nothing.
    const auto created = file.create();

    if (created.failed())
        juce::Logger::writeToLog ("Cannot create " + file.getFullPathName() + ": " + created.getErrorMessage());
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
        setAside (file, damage);

    createIfMissing (file);
    auto settings = std::make_unique<juce::PropertiesFile> (file, getSettingsFileOptions());

    // A text the guard passed may still be no settings file (cut short, or another document):
    // the framework then loaded nothing from it.
    if (damage.isEmpty() && ! settings->isValidFile() && file.existsAsFile() && file.getSize() > 0)
    {
        setAside (file, "it holds no settings");
        createIfMissing (file);
    }

    return settings;
}

std::unique_ptr<juce::XmlElement> readStoredAudioSetup (const juce::PropertiesFile& settings)
{
    XmlRefusal refusal = XmlRefusal::none;
    return parseGuardedXmlText (settings.getValue ("audioSetup"), maximumXmlDepth, refusal);
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

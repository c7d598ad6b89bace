#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

// Where the program keeps what it remembers between runs, and how that file is opened.

/** "miLOR" in the platform's shared folder. Only builds the path: nothing is created. */
juce::String getSharedFolderPath();

/** "NOLV51.prefs" in the shared folder. */
juce::File getSettingsFile();

/** The options every reader and writer of the settings file uses. */
juce::PropertiesFile::Options getSettingsFileOptions();

/** Opens the settings file, creating its folder and an empty file when missing. A file that
    cannot be created gives an empty set, so every key takes its default. A damaged file (one that
    is no regular file, cannot be read, is over a mebibyte or holds hundreds of keys, which the
    framework would take long to load, or that the XML guard refuses or is no settings file) is
    kept beside it as "NOLV51.prefs.damaged", replacing an older one, with a line in the framework
    log, and the program starts from an empty set; keptAside, when given, then receives where and
    why ("kept as NOLV51.prefs.damaged (<reason>)"). The file is read once before the framework
    loads it. */
std::unique_ptr<juce::PropertiesFile> openSettingsFile (juce::String* keptAside = nullptr);

/** The device setup stored under "audioSetup", through the XML guard: null when there is none or
    it is refused. */
std::unique_ptr<juce::XmlElement> readStoredAudioSetup (const juce::PropertiesFile& settings);

/** Writes the settings when a value changed, into a new file renamed onto the old one, which keeps
    its mode; a settings file that is a symbolic link stays one, and the file it points to is
    replaced. A read-only file or folder is left alone. A save that fails is logged with the path and
    the reason. Returns whether the file holds the values. */
bool saveSettingsFile (juce::PropertiesFile& settings);

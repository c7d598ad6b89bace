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
    cannot be created or read gives an empty set, so every key takes its default. */
std::unique_ptr<juce::PropertiesFile> openSettingsFile();

#pragma once

#include <juce_core/juce_core.h>

/** The report folder used when the user has chosen none: "miLOR/NOLV" in the system's log folder.
    Built once, never created on disk by asking for it. */
const juce::File& defaultLogFolder();

/** The report base name used when the user has chosen none. */
extern const char* const defaultLogFileName;

/** The folder reports go to for the folder text the user set: the default folder when the text is
    empty, a relative text taken from the working directory. The writers and the previewer agree
    through this. */
juce::File reportFolderFor (const juce::String& folderText);

/** Claims the XML report for a run starting at the given time: in folderText (the default folder
    when empty, made when missing), named baseName (the default when empty; path separators and a
    leading dot become "_", so the report stays in that folder and is listed; cut in whole
    characters so that every file written for the report has a name of at most 255 bytes), "_",
    the time stamp and ".xml". The name is taken by creating the empty file atomically; when a
    report or a CSV log of that name already exists, "_2", "_3"… is added to the base, so no two
    reports share a name, even from two programs started in the same second. */
juce::File makeReportFile (const juce::String& folderText, const juce::String& baseName, juce::Time start);

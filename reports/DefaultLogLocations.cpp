#include "DefaultLogLocations.h"

#include "PlatformPaths.h"
#include "ReportText.h"

const char* const defaultLogFileName = "NOLV51Log";

const juce::File& defaultLogFolder()
{
    static const juce::File folder = platformLogBaseFolder().getChildFile ("miLOR").getChildFile ("NOLV");
    return folder;
}

juce::File reportFolderFor (const juce::String& folderText)
{
    if (folderText.isEmpty())
        return defaultLogFolder();

    return juce::File::isAbsolutePath (folderText) ? juce::File (folderText)
                                                   : juce::File::getCurrentWorkingDirectory().getChildFile (folderText);
}

namespace
{
/** The base name as one file name in the report folder that the log page lists: no path
    separators, and no leading dot, which would hide it. */
juce::String fileNameFor (const juce::String& baseName)
{
    auto name = baseName.replaceCharacters ("/\\", "__");
    return name.startsWithChar ('.') ? "_" + name.substring (1) : name;
}
} // namespace

juce::File makeReportFile (const juce::String& folderText, const juce::String& baseName, juce::Time start)
{
    const auto folder = reportFolderFor (folderText);
    const auto stem = fileNameFor (baseName.isNotEmpty() ? baseName : juce::String (defaultLogFileName)) + "_"
                    + reportTimeStamp (start);

    // A folder that cannot be made leaves the first name; the writers then say that it cannot be written.
    folder.createDirectory();

    for (int suffix = 1;; ++suffix)
    {
        const auto file = folder.getChildFile (suffix == 1 ? stem + ".xml" : stem + "_" + juce::String (suffix) + ".xml");

        if (csvCompanionOf (file).exists())
            continue;

        const auto claim = claimNewFile (file);

        if (claim != FileClaim::taken)
            return file;
    }
}

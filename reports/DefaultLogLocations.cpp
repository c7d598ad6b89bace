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

juce::File makeReportFile (const juce::String& folderText, const juce::String& baseName, juce::Time start)
{
    const auto folder = reportFolderFor (folderText);

    const auto stem = (baseName.isNotEmpty() ? baseName : juce::String (defaultLogFileName)) + "_" + reportTimeStamp (start);
    auto file = folder.getChildFile (stem + ".xml");

    for (int suffix = 2; file.exists() || csvCompanionOf (file).exists(); ++suffix)
        file = folder.getChildFile (stem + "_" + juce::String (suffix) + ".xml");

    return file;
}

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
// The longest name a file system takes, in bytes.
constexpr size_t maximumFileNameBytes = 255;

// The longest name written for a report is the XML writer's hidden temporary file of a claimed
// name that carries "_NN": "." + base + "_" + stamp + "_NN" + "_temp" + 8 hex digits + ".xml".
constexpr size_t bytesBesideBaseAndStamp = 1 + 1 + 3 + 13 + 4;

/** The base name as one file name in the report folder that the log page lists: no path
    separators, and no leading dot, which would hide it. */
juce::String fileNameFor (const juce::String& baseName)
{
    auto name = baseName.replaceCharacters ("/\\", "__");
    return name.startsWithChar ('.') ? "_" + name.substring (1) : name;
}

/** The longest start of the text that takes at most the given number of bytes, in whole characters. */
juce::String cutToBytes (const juce::String& text, size_t maximumBytes)
{
    const auto* utf8 = text.toRawUTF8();
    return juce::String::fromUTF8 (utf8, (int) utf8CutLength (utf8, text.getNumBytesAsUTF8(), maximumBytes));
}
} // namespace

juce::File makeReportFile (const juce::String& folderText, const juce::String& baseName, juce::Time start)
{
    const auto folder = reportFolderFor (folderText);
    const auto stamp = reportTimeStamp (start);
    const auto name = fileNameFor (baseName.isNotEmpty() ? baseName : juce::String (defaultLogFileName));
    // A name the file system refuses would lose the whole report.
    const auto baseBytes = maximumFileNameBytes - bytesBesideBaseAndStamp - stamp.getNumBytesAsUTF8();
    const auto stem = cutToBytes (name, baseBytes) + "_" + stamp;

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

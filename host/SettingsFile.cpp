#include "SettingsFile.h"

#include "GuardedXml.h"
#include "PlatformPaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Every save goes through saveSettingsFile, whose checks the framework's timed save would bypass.
    options.millisecondsBeforeSaving = -1;
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

/** The framework first reads only this much of the file, for its root's start tag, and parses it as
    a text of its own: a reference cut at its end is read past the end of that text. */
constexpr size_t frameworkFirstReadBytes = 8192;

/** Whether the root element's start tag ends within the bytes the framework reads first. The text
    has passed the guard: quotes are balanced and comments and instructions closed. */
bool rootStartTagEndsWithin (std::string_view text, size_t limit)
{
    size_t at = 0;

    // Past the declaration, instructions, comments and white space before the root.
    for (;;)
    {
        at = text.find ('<', at);

        if (at == std::string_view::npos)
            return true;

        if (text.compare (at, 2, "<?") == 0)
            at = text.find ("?>", at + 2);
        else if (text.compare (at, 4, "<!--") == 0)
            at = text.find ("-->", at + 4);
        else
            break;

        if (at == std::string_view::npos)
            return true;
    }

    for (char quote = 0; at < text.size() && at < limit; ++at)
    {
        if (quote != 0)
            quote = text[at] == quote ? 0 : quote;
        else if (text[at] == '"' || text[at] == '\'')
            quote = text[at];
        else if (text[at] == '>')
            return true;
    }

    return at >= text.size();
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

    if (magic == "PROP" || magic == "CPRP" || ! isSafeXmlText (text.data(), text.size(), maximumXmlDepth)
        || ! rootStartTagEndsWithin (text, frameworkFirstReadBytes))
        return "it holds no settings";

    if (countKeys (text) > maximumSettingsKeys)
        return "it holds more than " + juce::String (maximumSettingsKeys) + " settings";

    return {};
}

/** Where the file was kept and why, empty when it could not be moved. */
juce::String setAside (const juce::File& file, const juce::String& damage)
{
    const auto kept = file.getSiblingFile (file.getFileName() + ".damaged");

    // Renamed, never copied: the framework's move copies when renaming fails, and copying a FIFO
    // would wait for a writer.
    const bool moved = ::rename (file.getFullPathName().toRawUTF8(), kept.getFullPathName().toRawUTF8()) == 0;
    juce::Logger::writeToLog ("Settings file " + file.getFullPathName() + " is damaged (" + damage + "): "
                              + (moved ? "kept as " + kept.getFileName() + ", " : juce::String())
                              + "starting from default settings");
    return moved ? "kept as " + kept.getFileName() + " (" + damage + ")" : juce::String();
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

/** The file at the end of a chain of symbolic links (a few at most), or the file itself: a save
    replaces that file and leaves the links as they are. */
juce::File fileLinkedTo (juce::File file)
{
    for (int i = 0; i < 8 && file.isSymbolicLink(); ++i)
        file = file.getLinkedTarget();

    return file;
}

/** The settings as the framework's own XML form holds them: a value that is an element is stored
    as one. Values that are no XML of ours stay text. */
juce::MemoryBlock settingsDocument (juce::PropertiesFile& settings)
{
    juce::XmlElement document ("PROPERTIES");
    const juce::ScopedLock lock (settings.getLock());
    const auto& properties = settings.getAllProperties();

    for (int i = 0; i < properties.size(); ++i)
    {
        auto* element = document.createNewChildElement ("VALUE");
        element->setAttribute ("name", properties.getAllKeys()[i]);
        auto refusal = XmlRefusal::none;

        if (auto child = parseGuardedXmlText (properties.getAllValues()[i], maximumXmlDepth, refusal))
            element->addChildElement (child.release());
        else
            element->setAttribute ("val", properties.getAllValues()[i]);
    }

    juce::MemoryOutputStream stream;
    document.writeTo (stream);
    return stream.getMemoryBlock();
}

bool writeWhole (int fd, const juce::MemoryBlock& bytes)
{
    const auto* data = static_cast<const char*> (bytes.getData());

    for (size_t done = 0; done < bytes.getSize();)
    {
        const auto written = ::write (fd, data + done, bytes.getSize() - done);

        if (written < 0 && errno == EINTR)
            continue;

        if (written <= 0)
            return false;

        done += (size_t) written;
    }

    return true;
}

/** Writes the bytes to a new file beside the target, with the target's mode (a new target gets
    the usual mode for a new file), and renames it onto the target, so that a reader never meets
    half a file. The reason when that fails. */
juce::String replaceKeepingMode (const juce::File& target, const juce::MemoryBlock& bytes)
{
    struct stat info {};
    const bool exists = ::stat (target.getFullPathName().toRawUTF8(), &info) == 0;
    const auto mode = exists ? info.st_mode & 07777 : 0666;
    target.getParentDirectory().createDirectory();

    juce::File temporary;
    int fd = -1;

    for (int attempt = 0; attempt < 8 && fd < 0 && (attempt == 0 || errno == EEXIST); ++attempt)
    {
        temporary = target.getSiblingFile ("." + target.getFileName() + "."
                                           + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));
        fd = ::open (temporary.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    }

    if (fd < 0)
        return std::strerror (errno);

    // The process's mask would narrow the mode the file had.
    bool written = (! exists || ::fchmod (fd, mode) == 0) && writeWhole (fd, bytes);
    int error = errno;

    if (::close (fd) != 0 && written)
    {
        written = false;
        error = errno;
    }

    if (written && ::rename (temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
        return {};

    if (written)
        error = errno;

    ::unlink (temporary.getFullPathName().toRawUTF8());
    return std::strerror (error);
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

std::unique_ptr<juce::PropertiesFile> openSettingsFile (juce::String* keptAside)
{
    const auto file = getSettingsFile();
    const auto damage = damageOf (file);
    juce::String kept;

    if (damage.isNotEmpty())
        kept = setAside (file, damage);

    createIfMissing (file);
    auto settings = std::make_unique<juce::PropertiesFile> (file, getSettingsFileOptions());

    // A text the guard passed may still be no settings file (cut short, or another document):
    // the framework then loaded nothing from it.
    if (damage.isEmpty() && ! settings->isValidFile() && file.existsAsFile() && file.getSize() > 0)
    {
        kept = setAside (file, "it holds no settings");
        createIfMissing (file);
    }

    if (keptAside != nullptr)
        *keptAside = kept;

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
    const auto target = fileLinkedTo (file);
    auto problem = saveProblemOf (target);

    if (problem.isEmpty())
        if (const auto failure = replaceKeepingMode (target, settingsDocument (settings)); failure.isNotEmpty())
            problem = "the write failed (" + failure + ")";

    if (problem.isEmpty())
    {
        settings.setNeedsToBeSaved (false);
        return true;
    }

    juce::Logger::writeToLog ("Settings could not be saved to " + file.getFullPathName() + ": " + problem);

    // Otherwise the framework's own save on deletion would try again, replacing a read-only file.
    settings.setNeedsToBeSaved (false);
    return false;
}

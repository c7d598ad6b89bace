#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <memory>

// The one way the program reads XML it did not just build itself: the settings file, the device
// setup stored in it, the saved state and reports. The framework's parser recurses once per nested
// element and, given a file, follows a document type declaration to any path, so a text is lexed
// first and parsed only from memory. Safe to call from any thread.

/** Why a text or file was refused; the words are shown to the user. */
enum class XmlRefusal { none, notRegularFile, tooLarge, notReport, malformed, unreadable };

/** "not a regular file", "too large", "not a report", "malformed", "cannot be opened". */
juce::String describeRefusal (XmlRefusal refusal);

/** Real reports are kilobytes; one carrying a day of short-term values is tens of megabytes. */
constexpr std::size_t maximumReportXmlBytes = 64 * 1024 * 1024;
constexpr std::size_t maximumSettingsXmlBytes = 1024 * 1024;

/** The program writes at most four levels; the rest is margin for other writers. */
constexpr int maximumXmlDepth = 16;

struct GuardedText
{
    juce::MemoryBlock bytes;
    XmlRefusal refusal = XmlRefusal::none;
    juce::String reason; // the system's words when the file could not be opened or read
};

/** The file's bytes when it is a regular file (links followed) of at most maxBytes; otherwise no
    bytes and notRegularFile, tooLarge or unreadable. Never waits for a FIFO's writer. */
GuardedText readRegularFile (const juce::File& file, std::size_t maxBytes);

/** Whether the framework's parser may be given the text: it is well-formed UTF-8 (the parser's
    decoding would read an overlong '<' as one, and step over bytes a truncated sequence claims),
    and, lexed as that parser lexes, it declares no document type or entity and holds no CDATA, no
    quoted value holds a '<' or '>', every '&' begins &amp; &lt; &gt; &quot; &apos; or a decimal or
    hexadecimal character reference to a Unicode scalar value, no quoted value holds more than
    4,096 references or is longer than 64 KiB and holds any, no processing instruction is followed
    (past white space and comments) by text, nothing is left open at the end, elements nest at most
    maxDepth deep, and elements and attributes are few enough to keep the parsed tree to a few
    hundred megabytes. Then parsing it takes time in proportion to its length. */
bool isSafeXmlText (const char* text, std::size_t length, int maxDepth);

/** readRegularFile, then the text as parseGuardedXmlText takes it. Null with the refusal set when
    the file or its text is refused, or malformed when the parser fails. */
std::unique_ptr<juce::XmlElement> parseGuardedXml (const juce::File& file, std::size_t maxBytes, int maxDepth,
                                                   XmlRefusal& refusal);

/** The text through isSafeXmlText, then parsed from memory (no file is ever read). Null with
    refusal malformed when refused or unparsable. */
std::unique_ptr<juce::XmlElement> parseGuardedXmlText (const juce::String& text, int maxDepth, XmlRefusal& refusal);

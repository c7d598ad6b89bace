#include "GuardedXml.h"

#include "RegularFileStream.h"

#include <cstring>
#include <string_view>

namespace
{
/** A day of short-term values from another writer is about 2.6 million elements and attributes;
    each costs up to a hundred bytes once parsed. */
constexpr std::size_t maximumXmlItems = 4 * 1024 * 1024;

/** The parser grows a quoted value by each reference and each run between two, copying it whole
    every time: these keep that to a few hundred megabytes of copying per value. The program's own
    values hold a handful of references; its longest, the saved state, holds none. */
constexpr std::size_t maximumReferencesInValue = 4096;
constexpr std::size_t maximumValueBytesWithReferences = 64 * 1024;

/** Every sequence complete and in its shortest form, nothing above U+10FFFF. */
bool isWellFormedUtf8 (const unsigned char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length;)
    {
        const unsigned lead = text[i];

        if (lead < 0x80)
        {
            ++i;
            continue;
        }

        std::size_t extra = 0;
        unsigned lowest = 0;

        if (lead >= 0xc2 && lead <= 0xdf)
            extra = 1, lowest = 0x80;
        else if (lead >= 0xe0 && lead <= 0xef)
            extra = 2, lowest = 0x800;
        else if (lead >= 0xf0 && lead <= 0xf4)
            extra = 3, lowest = 0x10000;
        else
            return false;

        if (length - i <= extra)
            return false;

        unsigned codePoint = lead & (0x3fu >> extra);

        for (std::size_t k = 1; k <= extra; ++k)
        {
            if ((text[i + k] & 0xc0) != 0x80)
                return false;

            codePoint = (codePoint << 6) | (text[i + k] & 0x3fu);
        }

        if (codePoint < lowest || codePoint > 0x10ffff)
            return false;

        i += extra + 1;
    }

    return true;
}

bool startsWith (std::string_view text, std::size_t at, std::string_view prefix)
{
    return text.compare (at, prefix.size(), prefix) == 0;
}

int digitValue (char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';

    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;

    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;

    return -1;
}

/** The length of the reference that starts at the '&' at `at`, or 0 when the parser would not read
    it as one: it takes any other '&' to run to the next ';' however far, a bad "&#x" steps over the
    character after it, and a code point out of range would be written into its text as it is. */
std::size_t referenceLength (std::string_view text, std::size_t at)
{
    for (const std::string_view name : { "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" })
        if (startsWith (text, at, name))
            return name.size();

    if (! startsWith (text, at, "&#"))
        return 0;

    const bool hex = startsWith (text, at, "&#x");
    const std::size_t maximumDigits = hex ? 6 : 7;
    const auto first = at + (hex ? 3 : 2);
    auto end = first;
    unsigned long value = 0;

    for (; end < text.size() && end - first <= maximumDigits; ++end)
    {
        const auto digit = digitValue (text[end], hex);

        if (digit < 0)
            break;

        value = value * (hex ? 16 : 10) + (unsigned long) digit;
    }

    if (end == first || end - first > maximumDigits || end == text.size() || text[end] != ';')
        return 0;

    if (value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;

    return end + 1 - at;
}

bool isCommentOrInstruction (std::string_view text, std::size_t at)
{
    return startsWith (text, at, "<!--") || startsWith (text, at, "<?");
}

/** Past the comments, processing instructions and white space from `at`, or npos when one is left
    open. The parser skips all of them between tags; after an instruction in an element, it goes
    back to read text there, meets the instruction again and starts over, for ever: so unless they
    are followed by a tag, or nothing, no instruction may be among them. */
std::size_t endOfSkippedRun (std::string_view text, std::size_t at)
{
    bool holdsInstruction = false;

    while (at < text.size())
    {
        const char c = text[at];

        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
        {
            ++at;
            continue;
        }

        if (! isCommentOrInstruction (text, at))
            break;

        const bool comment = startsWith (text, at, "<!--");
        holdsInstruction = holdsInstruction || ! comment;
        const auto close = comment ? text.find ("-->", at + 4) : text.find ("?>", at + 2);

        if (close == std::string_view::npos)
            return std::string_view::npos;

        at = close + (comment ? 3 : 2);
    }

    if (holdsInstruction && at < text.size() && text[at] != '<')
        return std::string_view::npos;

    return at;
}
} // namespace

juce::String describeRefusal (XmlRefusal refusal)
{
    switch (refusal)
    {
        case XmlRefusal::none: return {};
        case XmlRefusal::notRegularFile: return "not a regular file";
        case XmlRefusal::tooLarge: return "too large";
        case XmlRefusal::notReport: return "not a report";
        case XmlRefusal::malformed: return "malformed";
        case XmlRefusal::unreadable: return "cannot be opened";
    }

    return {};
}

GuardedText readRegularFile (const juce::File& file, std::size_t maxBytes)
{
    GuardedText result;
    RegularFileStream in (file);
    result.refusal = in.getRefusal();

    if (result.refusal == XmlRefusal::none && (std::size_t) in.getTotalLength() > maxBytes)
        result.refusal = XmlRefusal::tooLarge;

    if (result.refusal != XmlRefusal::none)
    {
        result.reason = in.getFailure();
        return result;
    }

    // One byte past the limit tells a file that grew since it was opened.
    const auto wanted = maxBytes + 1;
    result.bytes.setSize (juce::jmin (wanted, (std::size_t) in.getTotalLength() + 1));
    std::size_t got = 0;

    while (got < wanted)
    {
        if (got == result.bytes.getSize())
            result.bytes.setSize (juce::jmin (wanted, got * 2));

        const auto chunk = juce::jmin (result.bytes.getSize() - got, (std::size_t) (1 << 20));
        const auto n = in.read (static_cast<char*> (result.bytes.getData()) + got, (int) chunk);

        if (n <= 0)
            break;

        got += (std::size_t) n;
    }

    result.bytes.setSize (got);

    if (in.getRefusal() != XmlRefusal::none || got > maxBytes)
    {
        result.refusal = got > maxBytes ? XmlRefusal::tooLarge : in.getRefusal();
        result.reason = in.getFailure();
        result.bytes.reset();
    }

    return result;
}

bool isSafeXmlText (const char* text, std::size_t length, int maxDepth)
{
    if (! isWellFormedUtf8 (reinterpret_cast<const unsigned char*> (text), length))
        return false;

    const std::string_view all (text, length);
    int depth = 0;
    std::size_t items = 0;

    for (std::size_t at = 0; at < length;)
    {
        // Text between tags.
        if (text[at] != '<')
        {
            if (text[at] != '&')
            {
                ++at;
                continue;
            }

            const auto reference = referenceLength (all, at);

            if (reference == 0)
                return false;

            at += reference;
            continue;
        }

        // Skipped whole, as the parser skips them: quotes and references inside mean nothing.
        if (isCommentOrInstruction (all, at))
        {
            at = endOfSkippedRun (all, at);

            if (at == std::string_view::npos)
                return false;

            continue;
        }

        // A document type or entity declaration, or CDATA: the program's files hold none.
        if (startsWith (all, at, "<!"))
            return false;

        const auto open = at;
        char quote = 0;
        std::size_t valueStart = 0, references = 0;
        auto end = open + 1;

        for (; end < length; ++end)
        {
            const char c = text[end];

            if (quote != 0)
            {
                if (c == '<' || c == '>')
                    return false;

                if (c == '&')
                {
                    const auto reference = referenceLength (all, end);

                    if (reference == 0 || ++references > maximumReferencesInValue)
                        return false;

                    end += reference - 1;
                }
                else if (c == quote)
                {
                    if (references > 0 && end - valueStart > maximumValueBytesWithReferences)
                        return false;

                    quote = 0;
                }
            }
            else if (c == '"' || c == '\'')
            {
                quote = c;
                valueStart = end + 1;
                references = 0;
            }
            else if (c == '<' || c == '&')
            {
                return false;
            }
            else if (c == '>')
            {
                break;
            }
            else if (c == '=')
            {
                ++items;
            }
        }

        if (end == length)
            return false;

        if (text[open + 1] == '/')
            depth = juce::jmax (0, depth - 1);
        else if (text[end - 1] != '/' && ++depth > maxDepth)
            return false;

        if (++items > maximumXmlItems)
            return false;

        at = end + 1;
    }

    return true;
}

std::unique_ptr<juce::XmlElement> parseGuardedXmlText (const juce::String& text, int maxDepth, XmlRefusal& refusal)
{
    refusal = XmlRefusal::malformed;

    // The parser stops at the first nul, and counting the text by its characters could step past it.
    const auto* raw = text.toRawUTF8();

    if (! isSafeXmlText (raw, std::strlen (raw), maxDepth))
        return nullptr;

    auto document = juce::parseXML (text);

    if (document != nullptr)
        refusal = XmlRefusal::none;

    return document;
}

std::unique_ptr<juce::XmlElement> parseGuardedXml (const juce::File& file, std::size_t maxBytes, int maxDepth,
                                                   XmlRefusal& refusal)
{
    auto guarded = readRegularFile (file, maxBytes);
    refusal = guarded.refusal;

    if (refusal != XmlRefusal::none)
        return nullptr;

    // Decoded as the framework decodes a file (UTF-16 by its byte order mark), so the scan sees
    // what the parser will.
    const auto text = juce::String::createStringFromData (guarded.bytes.getData(), (int) guarded.bytes.getSize());
    guarded.bytes.reset();
    return parseGuardedXmlText (text, maxDepth, refusal);
}

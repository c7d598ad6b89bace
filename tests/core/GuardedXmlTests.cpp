#include "GuardedXml.h"
#include "ScopedTemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string nested (int levels, const std::string& open = "<a>", const std::string& close = "</a>")
{
    std::string text;

    for (int i = 0; i < levels; ++i)
        text += open;

    for (int i = 0; i < levels; ++i)
        text += close;

    return text;
}

/** Levels of elements, text elements not counted. */
int depthOf (const juce::XmlElement& element)
{
    int deepest = 0;

    for (auto* child : element.getChildIterator())
        if (! child->isTextElement())
            deepest = juce::jmax (deepest, depthOf (*child));

    return deepest + 1;
}

/** A text of exactly `bytes` bytes holding `references` references, for a value or an element. */
std::string valueOf (std::size_t bytes, std::size_t references)
{
    return juce::String::repeatedString ("&lt;", (int) references).toStdString() + std::string (bytes - 4 * references, 'x');
}
} // namespace

TEST (GuardedXml, PassesOnlyTextsThatLexCleanlyAndNestWithinTheBound)
{
    constexpr int bound = 4;
    const std::pair<std::string, bool> cases[] = { // text, passes
        { "<?xml version=\"1.0\"?>\n<a x=\"1\" y='2'><b/><c>text &amp; more</c></a>", true },
        { "<a><!-- \" --><b/></a>", true },
        { "<!-- \" -->" + nested (bound + 1), false }, // a quote in a comment hides nothing
        { "<?pi \" ?>" + nested (bound + 1), false },
        { "<!-- <a><a><a><a><a> -->" + nested (bound), true },
        { nested (bound), true },
        { nested (bound + 1), false },
        { nested (100, "<a/>", ""), true },          // self-closing tags do not nest
        { nested (bound + 1, "<a x='/'>"), false },   // a slash in a value closes nothing
        { "<a></a></a></a><b><b><b><b></b></b></b></b>", true }, // stray end tags give no credit
        { "<a></a></a></a>" + nested (bound + 1), false },
        { "<!DOCTYPE a SYSTEM \"/dev/zero\"><a>&x;</a>", false },
        { "<a><!ENTITY x \"y\"></a>", false },
        { "<a><![CDATA[<b>]]></a>", false },
        { "<a v=\"</b>\"/>", false },
        { "<a v=\"x>\"/>", false },
        { "<a v=\"open/>", false },
        { "<a", false },
        { "<a><!-- open", false },
        { "<a <b>>", false },
        { "<a>\xc0\xbc" "b></a>", false }, // an overlong '<' is a '<' to the parser
        { "<a>\xf0</a>", false },
        { "<a>caf\xc3\xa9</a>", true },
        // The parser takes an '&' that begins no reference it knows to run to the next ';', and
        // steps over the character after a bad "&#x": what the guard took for a comment is read.
        { "<?xml version=\"1.0\"?>\n<PROPERTIES>&x<!--;" + nested (bound + 1) + "--></PROPERTIES>", false },
        { "<DEVICESETUP deviceType=\"&x\">;<!--\">" + nested (bound + 1) + "--></DEVICESETUP>", false },
        { "<QIT5.1Log>&#x<!--" + nested (bound + 1) + "--></QIT5.1Log>", false },
        { "<a>&#1<!--;" + nested (bound + 1) + "--></a>", false },
        { "<a v='&amp;&#10;&#x41;'>&quot;</a>", true },
        { "<a v=\"&lt;&gt;&apos;&#1114111;&#x10FFFF;&#0000065;\">&#xd7ff;&#xE000;</a>", true },
        { "<a>" + std::string (5000, '&') + "</a>", false },
        { "<a v='&'/>", false },
        { "<a &amp;/>", false },
        { "<a>&#x110000;</a>", false },
        { "<a>&#1114112;</a>", false },
        { "<a>&#xD800;</a>", false },
        { "<a v='&#57343;'/>", false },
        { "<a>&#12345678;</a>", false },
        { "<a>&#x1234567;</a>", false },
        { "<a>&#X41;</a>", false },
        { "<a>&#;</a>", false },
        { "<a>&#x;</a>", false },
        { "<a>&AMP;</a>", false },
        { "<a>&amp</a>", false },
        { "<a v=\"" + valueOf (70 * 1024, 1) + "\"/>", false },
        { "<a v=\"" + valueOf (64 * 1024 + 1, 1) + "\"/>", false },
        { "<a v=\"" + valueOf (64 * 1024, 4096) + "\"/>", true },
        { "<a v=\"" + valueOf (64 * 1024, 4097) + "\"/>", false },
        { "<a v=\"" + std::string (70 * 1024, 'x') + "\">" + valueOf (20000, 5000) + "</a>", true },
        // After an instruction inside an element the parser reads text again from the instruction,
        // for ever.
        { "<a><?p?>text</a>", false },
        { "<a> <?p?><!-- --> &amp;</a>", false },
        { "<a>x<!-- --> <?p?> <?q?>\n<b/>y</a>", true },
    };

    for (const auto& [text, passes] : cases)
    {
        const auto shown = text.substr (0, 60);

        if (! isSafeXmlText (text.data(), text.size(), bound))
        {
            EXPECT_FALSE (passes) << shown;
            continue;
        }

        EXPECT_TRUE (passes) << shown;

        // The parser must see what the guard saw.
        if (const auto document = juce::parseXML (juce::String::fromUTF8 (text.data(), (int) text.size())))
        {
            EXPECT_LE (depthOf (*document), bound) << shown;
        }
    }

    XmlRefusal refusal = XmlRefusal::none;
    EXPECT_EQ (parseGuardedXmlText (nested (400000), maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (parseGuardedXmlText ("<a><b", maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (describeRefusal (refusal), "malformed");
    ASSERT_NE (parseGuardedXmlText (nested (maximumXmlDepth), maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (refusal, XmlRefusal::none);
}

TEST (GuardedXml, PassesWhatTheFrameworksWriterWritesAndReadsItBack)
{
    // Every character the writer escapes, in a value and in text, and a value as long as a saved
    // state's, which holds no reference.
    const auto escaped = juce::String::fromUTF8 ("&\"'<>\r\n\t\x01\x1f caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5 ")
                       + juce::String::repeatedString ("\xc3\xa9", 1000);
    juce::XmlElement root ("ROOT");
    auto* child = root.createNewChildElement ("VALUE");
    child->setAttribute ("val", escaped);
    child->setAttribute ("state", juce::String::repeatedString ("Zm9v", 22000));
    child->addTextElement (escaped.removeCharacters ("\r")); // text keeps a CR as it is, read as LF

    const auto oneLine = juce::XmlElement::TextFormat().singleLine().withoutHeader();

    for (const auto& format : { juce::XmlElement::TextFormat(), oneLine })
    {
        const auto text = root.toString (format);
        ASSERT_TRUE (isSafeXmlText (text.toRawUTF8(), text.getNumBytesAsUTF8(), 2)) << text.substring (0, 200);

        XmlRefusal refusal = XmlRefusal::none;
        const auto read = parseGuardedXmlText (text, 2, refusal);
        ASSERT_NE (read, nullptr);
        EXPECT_TRUE (read->isEquivalentTo (&root, false));
    }
}

TEST (GuardedXml, ReadsOnlyRegularFilesWithinTheirLimit)
{
    testsupport::ScopedTemporaryFolder folder;
    const auto file = [&] (const char* name) { return folder.getChildFile (name); };
    ASSERT_TRUE (file ("ok.xml").replaceWithText ("<a x=\"1\"/>"));
    ASSERT_TRUE (file ("ok16.xml").replaceWithText ("<a x=\"1\"/>", true, true));
    ASSERT_TRUE (file ("big.xml").replaceWithText ("<a x=\"" + juce::String::repeatedString ("y", 100) + "\"/>"));
    ASSERT_EQ (::mkfifo (file ("fifo.xml").getFullPathName().toRawUTF8(), 0600), 0);
    ASSERT_EQ (::symlink ("/dev/zero", file ("zero.xml").getFullPathName().toRawUTF8()), 0);
    ASSERT_EQ (::symlink ("ok.xml", file ("link.xml").getFullPathName().toRawUTF8()), 0);
    ASSERT_TRUE (file ("folder.xml").createDirectory());

    const std::pair<const char*, XmlRefusal> cases[] = {
        { "ok.xml", XmlRefusal::none },           { "ok16.xml", XmlRefusal::none },
        { "link.xml", XmlRefusal::none },         { "big.xml", XmlRefusal::tooLarge },
        { "fifo.xml", XmlRefusal::notRegularFile }, { "zero.xml", XmlRefusal::notRegularFile },
        { "folder.xml", XmlRefusal::notRegularFile }, { "missing.xml", XmlRefusal::unreadable },
    };

    for (const auto& [name, expected] : cases)
    {
        XmlRefusal refusal = XmlRefusal::none;
        const auto document = parseGuardedXml (file (name), 64, maximumXmlDepth, refusal);
        EXPECT_EQ (refusal, expected) << name;
        EXPECT_EQ (document != nullptr && document->getIntAttribute ("x") == 1, expected == XmlRefusal::none) << name;
    }

    const auto missing = readRegularFile (file ("missing.xml"), 64);
    EXPECT_EQ (describeRefusal (missing.refusal) + " (" + missing.reason + ")", "cannot be opened (No such file or directory)");
    EXPECT_EQ (readRegularFile (file ("big.xml"), 109).bytes.getSize(), 109u);
    EXPECT_EQ (readRegularFile (file ("big.xml"), 108).refusal, XmlRefusal::tooLarge);
}

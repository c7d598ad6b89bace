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
    };

    for (const auto& [text, passes] : cases)
        EXPECT_EQ (isSafeXmlText (text.data(), text.size(), bound), passes) << text.substr (0, 60);

    XmlRefusal refusal = XmlRefusal::none;
    EXPECT_EQ (parseGuardedXmlText (nested (400000), maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (parseGuardedXmlText ("<a><b", maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (describeRefusal (refusal), "malformed");
    ASSERT_NE (parseGuardedXmlText (nested (maximumXmlDepth), maximumXmlDepth, refusal), nullptr);
    EXPECT_EQ (refusal, XmlRefusal::none);
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

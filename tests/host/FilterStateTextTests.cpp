#include "FilterStateText.h"

#include <gtest/gtest.h>

TEST (FilterStateText, EveryEncodedBlockDecodesToItself)
{
    for (size_t size = 0; size <= 40; ++size)
    {
        juce::MemoryBlock original (size);

        for (size_t i = 0; i < size; ++i)
            original[i] = (char) (i * 37 + 11);

        juce::MemoryBlock decoded { 3, true };
        ASSERT_TRUE (decodeFilterStateText (original.toBase64Encoding(), decoded)) << size;
        EXPECT_EQ (decoded, original) << size;
    }
}

TEST (FilterStateText, MalformedTextIsRefusedBeforeAnythingIsAllocated)
{
    const char* const cases[] = {
        "-5.AB",           // negative count
        "4000000000.AB",   // count beyond what the decoder could allocate
        "2000000.AB",      // over a mebibyte
        "12.AB",           // fewer characters than the count needs
        "1.ABC",           // more characters than the count needs
        "1.A?",            // a character outside the alphabet
        "abc",             // no count at all
        ".AB",
        " 1.AB",
        "",
    };

    for (const auto* text : cases)
    {
        juce::MemoryBlock decoded { 8, true };
        EXPECT_FALSE (decodeFilterStateText (text, decoded)) << text;
        EXPECT_EQ (decoded.getSize(), 0u) << text;
    }
}

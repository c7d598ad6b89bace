#include "FilterStateText.h"

#include <gtest/gtest.h>

TEST (FilterStateText, DecodesEveryBlockTheEncoderWritesAndRefusesAnyOtherTextBeforeAllocating)
{
    for (size_t size = 0; size <= 40; ++size)
    {
        juce::MemoryBlock original (size), decoded { 3, true };

        for (size_t i = 0; i < size; ++i)
            original[i] = (char) (i * 37 + 11);

        EXPECT_TRUE (decodeFilterStateText (original.toBase64Encoding(), decoded) && decoded == original) << size;
    }

    for (const char* text : { "-5.AB", "4000000000.AB", "12.AB", "1.ABC", "1.A?", "abc", ".AB", " 1.AB", "" })
    {
        juce::MemoryBlock decoded { 8, true };
        EXPECT_FALSE (decodeFilterStateText (text, decoded)) << text;
        EXPECT_EQ (decoded.getSize(), 0u) << text;
    }
}

#pragma once

#include <juce_core/juce_core.h>

// The processor state as the settings file stores it: the framework's base-64 form of a memory
// block ("<byte count>.<one character per six bits>"), written by MemoryBlock::toBase64Encoding.

/** Decodes stored text into destination. Text that is not exactly that form, or that announces
    more than a mebibyte, gives false and an empty block: the framework's decoder trusts the byte
    count, and a count such as -5 or 4000000000 would end the program at every start. */
bool decodeFilterStateText (const juce::String& text, juce::MemoryBlock& destination);

#include "FilterStateText.h"

namespace
{
// A real state is under 2 KB; anything far larger is not one of ours.
constexpr juce::int64 maximumStateBytes = 1024 * 1024;
constexpr int maximumCountDigits = 7;

const char* const base64Characters = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+";

bool isWellFormed (const juce::String& text)
{
    const int dot = text.indexOfChar ('.');

    if (dot < 1 || dot > maximumCountDigits)
        return false;

    const auto count = text.substring (0, dot);

    if (! count.containsOnly ("0123456789"))
        return false;

    const auto numBytes = count.getLargeIntValue();

    if (numBytes > maximumStateBytes)
        return false;

    const auto characters = text.substring (dot + 1);

    return characters.length() == (int) ((numBytes * 8 + 5) / 6)
        && characters.containsOnly (base64Characters);
}
} // namespace

bool decodeFilterStateText (const juce::String& text, juce::MemoryBlock& destination)
{
    destination.reset();

    if (! isWellFormed (text))
        return false;

    return destination.fromBase64Encoding (text);
}

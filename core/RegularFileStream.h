#pragma once

#include "GuardedXml.h"

#include <juce_core/juce_core.h>

/** Reads a file only when what the path leads to (links followed) is a regular file, judged on
    the open descriptor so nothing can be swapped in between: a FIFO, device, socket or folder is
    never read, and opening never waits for a FIFO's writer. Used by one thread at a time. */
class RegularFileStream : public juce::InputStream
{
public:
    explicit RegularFileStream (const juce::File& file);
    ~RegularFileStream() override;

    /** none when the stream can be read; otherwise notRegularFile or unreadable. */
    XmlRefusal getRefusal() const noexcept { return refusal; }

    /** The system's words when the file could not be opened or examined. */
    const juce::String& getFailure() const noexcept { return failure; }

    /** The size when opened; a file still being written may grow past it. */
    juce::int64 getTotalLength() override { return sizeWhenOpened; }
    bool isExhausted() override { return exhausted; }
    int read (void* destination, int maxBytesToRead) override;
    juce::int64 getPosition() override { return position; }
    bool setPosition (juce::int64 newPosition) override;

private:
    int handle = -1;
    XmlRefusal refusal = XmlRefusal::none;
    juce::String failure;
    juce::int64 sizeWhenOpened = 0, position = 0;
    bool exhausted = false;

    JUCE_DECLARE_NON_COPYABLE (RegularFileStream)
};

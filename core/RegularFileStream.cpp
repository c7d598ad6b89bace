#include "RegularFileStream.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFileStream::RegularFileStream (const juce::File& file)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    handle = ::open (file.getFullPathName().toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

    if (handle < 0)
    {
        refusal = XmlRefusal::unreadable;
        failure = std::strerror (errno);
        return;
    }

    struct stat info {};

    if (::fstat (handle, &info) != 0)
    {
        refusal = XmlRefusal::unreadable;
        failure = std::strerror (errno);
    }
    else if (! S_ISREG (info.st_mode))
    {
        refusal = XmlRefusal::notRegularFile;
    }
    else
    {
        sizeWhenOpened = (juce::int64) info.st_size;
        return;
    }

    ::close (handle);
    handle = -1;
    exhausted = true;
}

RegularFileStream::~RegularFileStream()
{
    if (handle >= 0)
        ::close (handle);
}

int RegularFileStream::read (void* destination, int maxBytesToRead)
{
    if (handle < 0 || maxBytesToRead <= 0)
        return 0;

    for (;;)
    {
        const auto got = ::read (handle, destination, (size_t) maxBytesToRead);

        if (got < 0 && errno == EINTR)
            continue;

        if (got < 0)
        {
            refusal = XmlRefusal::unreadable;
            failure = std::strerror (errno);
        }

        if (got <= 0)
        {
            exhausted = true;
            return 0;
        }

        position += got;
        return (int) got;
    }
}

bool RegularFileStream::setPosition (juce::int64 newPosition)
{
    if (handle < 0 || ::lseek (handle, (off_t) newPosition, SEEK_SET) < 0)
        return false;

    position = newPosition;
    exhausted = false;
    return true;
}

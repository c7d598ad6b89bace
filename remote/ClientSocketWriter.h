#pragma once

#include <cstddef>

/** Writes whole frames to one accepted client socket without ever blocking or raising SIGPIPE.
    It keeps its own duplicate of the socket's handle, so the handle stays valid whenever the
    framework's reader thread closes its copy. Attached on the listener thread, then used by the
    sending thread only. */
class ClientSocketWriter
{
public:
    enum class Result
    {
        written, // the whole frame went out
        busy,    // the client cannot take data now; nothing was written
        failed   // an error or a short write: the stream is no longer in step
    };

    ClientSocketWriter() = default;
    ~ClientSocketWriter();

    ClientSocketWriter (const ClientSocketWriter&) = delete;
    ClientSocketWriter& operator= (const ClientSocketWriter&) = delete;

    /** Returns false when the handle could not be duplicated; writes then fail. */
    bool attach (int socketHandle);

    Result write (const void* data, std::size_t size);

    void close();

private:
    int handle = -1;
};

#include "ClientSocketWriter.h"

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ClientSocketWriter::~ClientSocketWriter()
{
    close();
}

bool ClientSocketWriter::attach (int socketHandle)
{
    close();

    if (socketHandle >= 0)
        handle = ::dup (socketHandle);

    return handle >= 0;
}

ClientSocketWriter::Result ClientSocketWriter::write (const void* data, std::size_t size)
{
    if (handle < 0)
        return Result::failed;

    // Writable in poll's sense means a good share of the send buffer is free, which makes a
    // short write of one frame unlikely; MSG_DONTWAIT keeps the send itself from ever waiting.
    pollfd entry { handle, POLLOUT, 0 };

    if (::poll (&entry, 1, 0) < 0)
        return errno == EINTR ? Result::busy : Result::failed;

    if ((entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return Result::failed;

    if ((entry.revents & POLLOUT) == 0)
        return Result::busy;

    const auto sent = ::send (handle, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);

    if (sent == (ssize_t) size)
        return Result::written;

    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return Result::busy;

    return Result::failed;
}

void ClientSocketWriter::close()
{
    if (handle >= 0)
        ::close (handle);

    handle = -1;
}

// A remote server whose listener finds a client waiting that it cannot take, every descriptor the
// process may open being in use. Prints "accepts N": the accept attempts of the next two seconds,
// counted through the server's accept seam. Run in a process of its own by the back-off test.

#include "QITOSCStandalone.h"

#include <atomic>
#include <iostream>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
class AcceptCountingServer : public QITOSCStandalone
{
public:
    ~AcceptCountingServer() override { stop(); } // while the override below still exists

    std::atomic<int> accepts { 0 };

protected:
    std::unique_ptr<juce::StreamingSocket> acceptNextClient (juce::StreamingSocket& listeningSocket) override
    {
        ++accepts;
        return QITOSCStandalone::acceptNextClient (listeningSocket);
    }
};
} // namespace

int main()
{
    AcceptCountingServer server;
    // Made while descriptors are left; connecting it takes none.
    const int client = ::socket (AF_INET, SOCK_STREAM, 0);

    if (! server.start (0) || client < 0)
        return 1;

    rlimit limit {};
    ::getrlimit (RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 64;
    ::setrlimit (RLIMIT_NOFILE, &limit);
    std::vector<int> fillers;

    for (int handle; (handle = ::dup (client)) >= 0;)
        fillers.push_back (handle);

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons ((uint16_t) server.getBoundPort());
    address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);

    if (::connect (client, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0)
        return 1;

    server.accepts = 0;
    juce::Thread::sleep (2000);
    const int counted = server.accepts;

    for (auto handle : fillers)
        ::close (handle);

    std::cout << "accepts " << counted << std::endl;
    return 0;
}

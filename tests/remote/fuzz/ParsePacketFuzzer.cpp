// libFuzzer target for the remote server's packet parser: any bytes a client can send, parsed as
// one received packet. oscpack itself is not instrumented, so each input is copied to end exactly
// at a page that may not be read: any read past the packet's end then crashes and is reported.
// The gate is opened first so that parameter messages are parsed as deeply as they go.

#include "QITOSCStandalone.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>

#include <sys/mman.h>
#include <unistd.h>

namespace
{
constexpr std::size_t maxInputSize = 1 << 16; // tests/remote/fuzz/run passes the same -max_len
char* fenceStart = nullptr; // the first byte that may not be read
QITOSCStandalone* server = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // The server prints every value and error line it parses; none of that matters here.
    std::cout.setstate (std::ios::badbit);

    const auto page = (std::size_t) ::sysconf (_SC_PAGESIZE);
    auto* region = static_cast<char*> (
        ::mmap (nullptr, maxInputSize + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));

    if (region == MAP_FAILED || ::mprotect (region + maxInputSize, page, PROT_NONE) != 0)
        return 1;

    fenceStart = region + maxInputSize;
    server = new QITOSCStandalone();

    char unlock[64];
    osc::OutboundPacketStream stream (unlock, sizeof (unlock));
    stream << osc::BeginMessage ("/adminPassword") << osc::EndMessage;
    server->ProcessPacket (stream.Data(), (int) stream.Size());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    if (size > maxInputSize)
        return -1;

    char* copy = fenceStart - size;
    std::memcpy (copy, data, size);

    try
    {
        server->ProcessPacket (copy, (int) size);
    }
    catch (const osc::Exception&)
    {
    }

    return 0;
}

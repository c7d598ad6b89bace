#pragma once

#include <sys/resource.h>

#include <csignal>

namespace testsupport
{
/** Files this process writes cannot grow beyond the given size while the object lives: a write past
    it fails or stops short instead of raising SIGXFSZ. A way to make real file writes fail on cue,
    even for root. */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction (SIGXFSZ, &ignore, &previousAction);

        ::getrlimit (RLIMIT_FSIZE, &previousLimit);
        rlimit limit = previousLimit;
        limit.rlim_cur = bytes;
        ::setrlimit (RLIMIT_FSIZE, &limit);
    }

    ~ScopedFileSizeLimit()
    {
        ::setrlimit (RLIMIT_FSIZE, &previousLimit);
        ::sigaction (SIGXFSZ, &previousAction, nullptr);
    }

    ScopedFileSizeLimit (const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator= (const ScopedFileSizeLimit&) = delete;

private:
    rlimit previousLimit {};
    struct sigaction previousAction {};
};
} // namespace testsupport

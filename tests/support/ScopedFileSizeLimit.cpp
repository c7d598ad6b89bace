#include "ScopedFileSizeLimit.h"

namespace testsupport
{
ScopedFileSizeLimit::ScopedFileSizeLimit (rlim_t bytes)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction (SIGXFSZ, &ignore, &previousAction);

    ::getrlimit (RLIMIT_FSIZE, &previousLimit);
    rlimit limit = previousLimit;
    limit.rlim_cur = bytes;
    ::setrlimit (RLIMIT_FSIZE, &limit);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    ::setrlimit (RLIMIT_FSIZE, &previousLimit);
    ::sigaction (SIGXFSZ, &previousAction, nullptr);
}
} // namespace testsupport

#pragma once

// Counts heap allocations made by the calling thread while counting is on. Linked only into the
// test binaries that need it, since it replaces the global operator new.
namespace testsupport
{
void startCountingAllocations();
long stopCountingAllocations();
} // namespace testsupport

#pragma once

#include <iostream>
#include <mutex>
#include <streambuf>
#include <string>

namespace testsupport
{
/** Collects what std::cout receives while it lives, safely even when other threads print; the text
    can be read at any time. Create it before starting the threads that print and destroy it after
    they have stopped, since std::cout's buffer is swapped at those two moments. */
class StdoutCapture : private std::streambuf
{
public:
    StdoutCapture();
    ~StdoutCapture() override;

    std::string text() const;
    void clear();

    /** How often the text holds needle, without overlaps. */
    int occurrences (const std::string& needle) const;

private:
    int_type overflow (int_type c) override;
    std::streamsize xsputn (const char* data, std::streamsize size) override;

    mutable std::mutex lock;
    std::string captured;
    std::streambuf* previous = nullptr;
};
} // namespace testsupport

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
    StdoutCapture() { previous = std::cout.flush().rdbuf (this); }
    ~StdoutCapture() override { std::cout.rdbuf (previous); }

    std::string text() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return captured;
    }

    void clear()
    {
        const std::lock_guard<std::mutex> guard (lock);
        captured.clear();
    }

    /** How often the text holds needle, without overlaps. */
    int occurrences (const std::string& needle) const
    {
        const auto all = text();
        int found = 0;

        for (auto at = all.find (needle); at != std::string::npos; at = all.find (needle, at + needle.size()))
            ++found;

        return found;
    }

private:
    int_type overflow (int_type c) override
    {
        if (traits_type::eq_int_type (c, traits_type::eof()))
            return traits_type::not_eof (c);

        const char character = traits_type::to_char_type (c);
        xsputn (&character, 1);
        return c;
    }

    std::streamsize xsputn (const char* data, std::streamsize size) override
    {
        const std::lock_guard<std::mutex> guard (lock);
        captured.append (data, (size_t) size);
        return size;
    }

    mutable std::mutex lock;
    std::string captured;
    std::streambuf* previous = nullptr;
};
} // namespace testsupport

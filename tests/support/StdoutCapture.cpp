#include "StdoutCapture.h"

namespace testsupport
{
StdoutCapture::StdoutCapture()
{
    std::cout.flush();
    previous = std::cout.rdbuf (this);
}

StdoutCapture::~StdoutCapture()
{
    std::cout.rdbuf (previous);
}

std::string StdoutCapture::text() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return captured;
}

void StdoutCapture::clear()
{
    const std::lock_guard<std::mutex> guard (lock);
    captured.clear();
}

int StdoutCapture::occurrences (const std::string& needle) const
{
    const std::lock_guard<std::mutex> guard (lock);
    int found = 0;

    for (auto at = captured.find (needle); at != std::string::npos; at = captured.find (needle, at + needle.size()))
        ++found;

    return found;
}

StdoutCapture::int_type StdoutCapture::overflow (int_type c)
{
    if (traits_type::eq_int_type (c, traits_type::eof()))
        return traits_type::not_eof (c);

    const std::lock_guard<std::mutex> guard (lock);
    captured.push_back (traits_type::to_char_type (c));
    return c;
}

std::streamsize StdoutCapture::xsputn (const char* data, std::streamsize size)
{
    const std::lock_guard<std::mutex> guard (lock);
    captured.append (data, (size_t) size);
    return size;
}
} // namespace testsupport

#include "ScopedEnvironmentVariable.h"

#include <cstdlib>

namespace testsupport
{
ScopedEnvironmentVariable::ScopedEnvironmentVariable (std::string variable, std::optional<std::string> value)
    : name (std::move (variable))
{
    if (const char* current = std::getenv (name.c_str()))
        previous = current;

    apply (name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    apply (name, previous);
}

void ScopedEnvironmentVariable::apply (const std::string& variable, const std::optional<std::string>& value)
{
    if (value)
        ::setenv (variable.c_str(), value->c_str(), 1);
    else
        ::unsetenv (variable.c_str());
}
} // namespace testsupport

#pragma once

#include <optional>
#include <string>

namespace testsupport
{
/** Sets (or, with no value, removes) one environment variable of this process and puts the previous
    state back when the object goes. */
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable (std::string name, std::optional<std::string> value);
    ~ScopedEnvironmentVariable();

    ScopedEnvironmentVariable (const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator= (const ScopedEnvironmentVariable&) = delete;

private:
    static void apply (const std::string& name, const std::optional<std::string>& value);

    std::string name;
    std::optional<std::string> previous;
};
} // namespace testsupport

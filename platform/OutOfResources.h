#pragma once

#include <exception>
#include <new>
#include <system_error>

namespace marbleck {

// Whether `error` says that the system had no room for what a command
// needed: memory, or another thread (its stack, a thread limit). Users
// meet both as "Out of memory".
inline bool IsOutOfResources(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) return true;
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return system->code() == std::errc::resource_unavailable_try_again ||
               system->code() == std::errc::not_enough_memory;
    return false;
}

}  // namespace marbleck

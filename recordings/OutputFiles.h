#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>

#include "CheckedFile.h"

namespace velorix {

// Writes all `n` bytes to `fd`; false with errno set (ENOSPC when the disk
// took nothing) when it cannot.
inline bool WriteAll(int fd, const void* bytes, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            if (done == 0) errno = ENOSPC;
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// Why an output could not be opened, with the way round a name that is taken.
inline std::string OutputRefused(const files::FileProblem& problem, const std::string& path) {
    const bool taken = problem.kind == files::FileProblem::Kind::System && problem.error == EEXIST;
    return problem.Describe(path) + (taken ? " (give --overwrite to write over it)" : "");
}

}  // namespace velorix

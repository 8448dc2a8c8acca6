#pragma once
// What every developer tool does with its standard output at the end: a
// dump that did not reach it (a full disk, a broken pipe) is a failure,
// said on standard error, never exit code 0.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

// The tool's exit code after flushing standard output: status, or 1 when
// the output could not be written.
inline int FinishStandardOutput(const char* tool, int status)
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return status;
    // An earlier write failed and its reason is gone: one more byte, on
    // output that is lost already, finds it again.
    if (errno == 0 && ::write(STDOUT_FILENO, "\n", 1) == 1) errno = 0;
    const std::string reason = errno ? std::string(": ") + std::strerror(errno) : std::string();
    std::fprintf(stderr, "%s: cannot write to standard output%s\n", tool, reason.c_str());
    return status == 0 ? 1 : status;
}

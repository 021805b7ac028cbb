#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaro {

// Contents of a file; error is empty on success.
struct FileContents {
    std::string data;            // at most the bytes asked for
    std::uint64_t fileSize = 0;  // the size the file system gives
    std::string error;           // "cannot open "PATH": reason"
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Reads up to maxBytes from the start of a regular file. The file is opened
// without blocking and checked on the open descriptor, so that a FIFO or a
// device in its place is refused and never waited on.
[[nodiscard]] FileContents ReadRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace tessaro

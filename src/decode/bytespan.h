#pragma once

namespace tessaro {

// Bytes first..last of an image, both included.
struct ByteSpan {
    int first = 0;
    int last = 0;
    friend bool operator==(const ByteSpan&, const ByteSpan&) = default;
};

}  // namespace tessaro

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// Bytes first..last of an image, both included.
struct ByteSpan {
    int first = 0;
    int last = 0;
    friend bool operator==(const ByteSpan&, const ByteSpan&) = default;
};

// A value of an image (or of one of its overclocking profiles) that can be set
// by its meaning. The names are the keys decode prints ("partNumber", "tAA",
// "casLatencies"), plus "moduleRevision"; the text is the current value in the
// form a set accepts back ("13.75 ns", "10,11,12", "SAMSUNG (1:4E)"), or none
// when the bytes do not hold a value.
struct EditableField {
    std::string name;
    std::optional<std::string> text;
    std::optional<int> clocks;    // a time's clock count at the tCKmin beside it
    std::vector<ByteSpan> bytes;  // where the value is stored
};

// What one change did. On failure the image is as it was and error holds one
// line naming the value and the reason.
struct EditOutcome {
    std::string error;
    std::string stored;        // the value as stored, in the field's text form
    bool exact = true;         // false when the value given had to be rounded to be stored
    std::vector<ByteSpan> changed;  // the bytes that now differ, check bytes included
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// The settable values of an image of any size and generation, in a fixed order:
// identity (manufacturer, date, serial, part number, revision), then for DDR4
// and DDR5 the speed, the timings, the CAS latencies and the voltage.
[[nodiscard]] std::vector<EditableField> EditableFields(std::span<const std::uint8_t> image);

// Stores value in the named field the way the generation stores it (DDR4 times
// as medium time base plus the signed fine correction, rounded up to what the
// bytes can hold; DDR5 times in picoseconds, refresh times in nanoseconds), then
// recomputes every check byte. A value that reads the same as the one stored
// leaves the field's bytes as they are.
EditOutcome SetField(std::vector<std::uint8_t>& image, std::string_view name, std::string_view value);

// Recomputes the check bytes of the image's type: byte 63 or the CRC in bytes
// 126-127 of a 256-byte image (as its byte 2 calls for), every CRC block of a
// DDR4 or DDR5 image (the XMP 3.0 and EXPO blocks included).
void UpdateCheckBytes(std::span<std::uint8_t> image);

// The runs of bytes that differ between two images of the same length.
[[nodiscard]] std::vector<ByteSpan> ChangedBytes(std::span<const std::uint8_t> before,
                                                 std::span<const std::uint8_t> after);

// Overclocking profiles by their place in the list decode prints (1-based):
// DDR4 XMP 2.0; DDR5 XMP 3.0 and EXPO. A kind is named "XMP 2.0", "XMP 3.0",
// "EXPO" (any case, the blank and ".0" optional) or "xmp" for the XMP of the
// image's generation.
[[nodiscard]] std::vector<EditableField> ProfileFields(std::span<const std::uint8_t> image, int position);

// Fills the first free slot of the kind with the JEDEC values ("jedec") or a
// copy of the profile at another position, and enables it; outcome.stored holds
// its position.
EditOutcome AddProfile(std::vector<std::uint8_t>& image, std::string_view kind, std::string_view from);
EditOutcome SetProfileField(std::vector<std::uint8_t>& image, int position, std::string_view name,
                            std::string_view value);
// Clears the profile's bytes and its enable bit; the kind's header goes too when
// no other profile of the kind holds anything.
EditOutcome RemoveProfile(std::vector<std::uint8_t>& image, int position);

}  // namespace tessaro

#pragma once

#include "decode/moduledecode.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// "10 11 12": integers separated by single blanks.
[[nodiscard]] std::string ListText(const std::vector<int>& values);

// Appends text as a JSON string literal; control characters are escaped and
// invalid UTF-8 becomes U+FFFD, so a record never spans lines.
void AppendJsonText(std::string& out, std::string_view text);

// {"generation": ..., "moduleType": ..., ... "manufactured": ...}
void AppendSummaryJson(std::string& out, const ModuleSummary& summary);

// {"tCKmin": {"ps": 625, "clocks": 1}, ..., "tWR": null}
void AppendTimingsJson(std::string& out, const TimingSet& timings);

// [{"kind": "XMP 2.0", "index": 1, ...}, ...]
void AppendProfilesJson(std::string& out, const std::vector<OverclockProfile>& profiles);

// The decode object of a 512- or 1024-byte image, from "file" to "warnings",
// without a line end.
void AppendDecodeJson(std::string& out, std::string_view file, const ModuleDecode& decode);
// The same members without the braces, for an object that holds more keys.
void AppendDecodeJsonMembers(std::string& out, std::string_view file, const ModuleDecode& decode);

// One line per profile: "XMP 2.0 profile 1: enabled, 3200 MT/s, 1.35 V, CL 16, CRC ok".
[[nodiscard]] std::string ProfilesListing(const std::vector<OverclockProfile>& profiles);

// A readable listing of the same facts, the summary line first, one fact per line.
[[nodiscard]] std::string DecodeListing(const ModuleDecode& decode);

}  // namespace tessaro

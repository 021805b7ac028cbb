#include "files/hexdump.h"

#include "core/hex.h"
#include "files/spdformat.h"

#include <limits>

namespace tessaro {

namespace {

// A token in double quotes for a message. Built by appending: GCC 12 at -O3
// takes `"\"" + text` for an overlapping copy (-Wrestrict).
std::string Quoted(std::string_view token)
{
    std::string quoted(1, '"');
    quoted += PrintableField(token, 40);
    quoted += '"';
    return quoted;
}

constexpr std::size_t kBytesPerOffsetLine = 16;
constexpr std::size_t kMaxOffsetDigits = 16;

bool IsHexDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (HexDigitValue(c) < 0)
            return false;
    return true;
}

std::vector<std::string_view> Tokens(std::string_view line)
{
    std::vector<std::string_view> tokens;
    std::size_t n = 0;
    while (n < line.size()) {
        while (n < line.size() && (line[n] == ' ' || line[n] == '\t'))
            ++n;
        const std::size_t start = n;
        while (n < line.size() && line[n] != ' ' && line[n] != '\t')
            ++n;
        if (n > start)
            tokens.push_back(line.substr(start, n - start));
    }
    return tokens;
}

// What a line of a dump looks like: bare two-digit bytes; an offset (hex
// digits and a colon, or four or more hex digits) or "*"; one run of hex
// digits longer than any offset, a line of "xxd -p"; or anything else.
enum class LineForm { Bare, Offset, Plain, Text };

LineForm LineFormOf(const std::vector<std::string_view>& tokens)
{
    const std::string_view first = tokens[0];
    if (tokens.size() == 1 && first.size() > kMaxOffsetDigits && IsHexDigits(first))
        return LineForm::Plain;
    if ((tokens.size() == 1 && first == "*") ||
        (first.size() > 1 && first.back() == ':' && IsHexDigits(first.substr(0, first.size() - 1))) ||
        (first.size() >= 4 && IsHexDigits(first)))
        return LineForm::Offset;
    for (const std::string_view token : tokens)
        if (token.size() != 2 || !IsHexDigits(token))
            return LineForm::Text;
    return LineForm::Bare;
}

// True for a line of bytes: bare bytes, a plain run, or an offset and a byte
// or group of them ("0010: 23", "00000010  23 11", "00000010: 2311").
bool HoldsBytes(const std::vector<std::string_view>& tokens)
{
    switch (LineFormOf(tokens)) {
    case LineForm::Bare:
    case LineForm::Plain:
        return true;
    case LineForm::Offset:
        return tokens.size() > 1 && IsHexDigits(tokens[1]) &&
               (tokens[1].size() == 2 || tokens[1].size() == 4 || tokens[1].size() == 8);
    case LineForm::Text:
        break;
    }
    return false;
}

// The i2cdump header: its first 16 tokens are the digits 0 to f.
bool IsColumnHeader(const std::vector<std::string_view>& tokens)
{
    if (tokens.size() < 16)
        return false;
    for (std::size_t i = 0; i < 16; ++i)
        if (tokens[i].size() != 1 || HexDigitValue(tokens[i][0]) != static_cast<int>(i))
            return false;
    return true;
}


std::string HexNumber(std::uint64_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

class DumpReader {
public:
    explicit DumpReader(std::size_t keep) : keep_(keep) {}

    DumpBytes read(std::string_view text)
    {
        text = TextContent(text);
        int number = 0;
        while (!text.empty() && result_.ok()) {
            const std::size_t eol = text.find_first_of("\r\n");
            const std::string_view line = text.substr(0, eol);
            bool ended = eol != std::string_view::npos;
            if (!ended) {
                text = {};
            } else {
                const std::size_t skip = (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n') ? 2 : 1;
                text.remove_prefix(eol + skip);
            }
            readLine(++number, line, ended);
        }
        if (result_.ok() && repeatLine_ != 0)
            fail(repeatLine_, "\"*\" is not followed by an offset line");
        if (result_.ok() && result_.count == 0)
            result_.error = "the dump holds no bytes";
        if (result_.ok() && endLine_ == 0 && !previousNote_.empty())
            result_.cutShort = "line " + std::to_string(previousLine_) + " " + previousNote_;
        if (!result_.ok())
            result_.bytes.clear();
        return std::move(result_);
    }

private:
    void fail(int line, const std::string& reason)
    {
        result_.error = "line " + std::to_string(line) + ": " + reason;
    }

    // False (and the dump fails on this line) when the bytes would run past
    // the largest offset.
    bool append(int number, const std::vector<std::uint8_t>& bytes)
    {
        if (bytes.size() > std::numeric_limits<std::uint64_t>::max() - result_.count) {
            fail(number, "the " + std::to_string(bytes.size()) + " bytes at offset " + HexNumber(result_.count) +
                             " run past the largest offset, 0xFFFFFFFFFFFFFFFF");
            return false;
        }
        for (std::uint8_t b : bytes) {
            if (result_.bytes.size() < keep_)
                result_.bytes.push_back(b);
        }
        result_.count += bytes.size();
        return true;
    }

    void readLine(int number, std::string_view line, bool ended)
    {
        const std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty() || IsColumnHeader(tokens))
            return;
        if (tokens[0].front() == '#') {
            // A line of bytes commented out would move every byte after it.
            std::vector<std::string_view> rest = tokens;
            rest[0].remove_prefix(1);
            if (rest[0].empty())
                rest.erase(rest.begin());
            if (!rest.empty() && HoldsBytes(rest))
                fail(number, "a line of bytes is commented out with \"#\", which would move the bytes after it; "
                             "delete the line or the \"#\"");
            return;
        }
        if (endLine_ != 0) {
            fail(number, "more data after the dump ended on line " + std::to_string(endLine_));
            return;
        }
        const LineForm form = LineFormOf(tokens);
        if (firstLine_ == 0) {
            firstLine_ = number;
            // The first line of bytes sets the form of the dump; text there
            // is read as bare bytes, which says what is wrong with it.
            form_ = form == LineForm::Text ? LineForm::Bare : form;
        }
        if (form_ == LineForm::Plain) {
            readPlainLine(number, tokens);
            return;
        }
        if (form_ == LineForm::Bare) {
            if (form == LineForm::Offset)
                fail(number, "this line starts with an offset, but line " + std::to_string(firstLine_) +
                                 ", the first line of bytes, has none");
            else
                readBareLine(number, tokens);
            return;
        }
        if (tokens.size() == 1 && tokens[0] == "*") {
            if (repeatLine_ != 0)
                fail(number, "\"*\" follows \"*\"; an offset line must come between");
            else if (previous_.empty())
                fail(number, "\"*\" has no line of bytes before it to repeat");
            else
                repeatLine_ = number;
            return;
        }
        if (form != LineForm::Offset) {
            if (repeatLine_ != 0)
                fail(repeatLine_, "\"*\" is not followed by an offset line");
            else
                fail(number, "this line has no offset, but line " + std::to_string(firstLine_) +
                                 ", the first line of bytes, has one");
            return;
        }
        std::string_view first = tokens[0];
        const bool colon = first.back() == ':';
        if (colon)
            first.remove_suffix(1);
        readOffsetLine(number, first, colon, tokens, ended);
    }

    void readOffsetLine(int number, std::string_view offsetText, bool colon,
                        const std::vector<std::string_view>& tokens, bool ended)
    {
        while (offsetText.size() > 1 && offsetText.front() == '0')
            offsetText.remove_prefix(1);
        if (offsetText.size() > kMaxOffsetDigits) {
            fail(number, "offset " + PrintableField(offsetText, 40) + " is too large");
            return;
        }
        std::uint64_t offset = 0;
        for (char c : offsetText)
            offset = offset << 4 | static_cast<std::uint64_t>(HexDigitValue(c));

        std::vector<std::uint8_t> bytes;
        std::string_view stop;
        bool overfull = false;
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            const std::string_view token = tokens[i];
            const bool group = token.size() == 2 || (colon && (token.size() == 4 || token.size() == 8));
            if (!group || !IsHexDigits(token) || bytes.size() + token.size() / 2 > kBytesPerOffsetLine) {
                stop = token;
                overfull = group && IsHexDigits(token);
                break;
            }
            for (std::size_t d = 0; d < token.size(); d += 2)
                bytes.push_back(HexPairToByte(token.substr(d, 2)));
        }

        if (repeatLine_ != 0) {
            if (offset < result_.count) {
                fail(number, "offset " + HexNumber(offset) + " is before the end of the bytes read so far, " +
                                 HexNumber(result_.count));
                return;
            }
            const std::uint64_t distance = offset - result_.count;
            if (distance % previous_.size() != 0) {
                fail(number, "offset " + HexNumber(offset) + " is not a whole number of repeats of the " +
                                 std::to_string(previous_.size()) + " bytes that \"*\" on line " +
                                 std::to_string(repeatLine_) + " repeats");
                return;
            }
            // Only what is kept is copied; the count covers the rest.
            for (std::uint64_t n = 0; n < distance / previous_.size() && result_.bytes.size() < keep_; ++n)
                append(number, previous_);
            result_.count = offset;
            repeatLine_ = 0;
        }
        if (offset > result_.count) {
            std::string reason = "offset " + HexNumber(offset) + " leaves a gap after the bytes read so far, " +
                                 HexNumber(result_.count);
            if (!previousNote_.empty())
                reason += " (line " + std::to_string(previousLine_) + " " + previousNote_ + ")";
            fail(number, reason);
            return;
        }
        if (offset < result_.count) {
            fail(number, "offset " + HexNumber(offset) + " repeats bytes already read; they end at " +
                             HexNumber(result_.count));
            return;
        }
        if (bytes.empty() && !stop.empty()) {
            fail(number, Quoted(stop) + " after the offset is not a hex byte");
            return;
        }
        if (bytes.empty()) {
            endLine_ = number;
            return;
        }
        if (!ended) {
            fail(number, "the file ends in the middle of this line");
            return;
        }
        if (!append(number, bytes))
            return;
        previous_ = std::move(bytes);
        previousLine_ = number;
        if (overfull)
            previousNote_ = "holds more than 16 bytes";
        else if (!stop.empty() && previous_.size() < kBytesPerOffsetLine)
            previousNote_ = "ends its bytes at \"" + PrintableField(stop, 40) + "\"";
        else
            previousNote_.clear();
    }

    // A line of "xxd -p": one run of hex digits, two per byte (30 bytes a line
    // by default; the last line may be shorter).
    void readPlainLine(int number, const std::vector<std::string_view>& tokens)
    {
        const std::string_view run = tokens[0];
        if (!IsHexDigits(run) || run.size() % 2 != 0) {
            fail(number, Quoted(run) + " is not a run of two-digit hex bytes, as the lines of a plain hex dump are");
            return;
        }
        if (tokens.size() > 1) {
            fail(number, Quoted(tokens[1]) + " follows the hex digits; a plain hex dump has one run of them a line");
            return;
        }
        std::vector<std::uint8_t> bytes;
        bytes.reserve(run.size() / 2);
        for (std::size_t d = 0; d < run.size(); d += 2)
            bytes.push_back(HexPairToByte(run.substr(d, 2)));
        if (!append(number, bytes))
            return;
        previous_ = std::move(bytes);
        previousLine_ = number;
    }

    void readBareLine(int number, const std::vector<std::string_view>& tokens)
    {
        std::vector<std::uint8_t> bytes;
        bytes.reserve(tokens.size());
        for (const std::string_view token : tokens) {
            if (token.size() != 2 || !IsHexDigits(token)) {
                fail(number, Quoted(token) + " is not a two-digit hex byte");
                return;
            }
            bytes.push_back(HexPairToByte(token));
        }
        if (!append(number, bytes))
            return;
        previous_ = std::move(bytes);
        previousLine_ = number;
        previousNote_.clear();
    }

    std::size_t keep_;
    DumpBytes result_;
    std::vector<std::uint8_t> previous_;  // the bytes of the last line that had any
    int previousLine_ = 0;
    std::string previousNote_;  // why that line's bytes ended early, if they did
    int repeatLine_ = 0;             // a "*" waiting for its offset line
    int endLine_ = 0;                // the offset line that ended the data
    int firstLine_ = 0;              // the first line of bytes, whose form the others keep
    LineForm form_ = LineForm::Bare;
};

}  // namespace

DumpBytes ReadHexDumpBytes(std::string_view text, std::size_t keep)
{
    return DumpReader(keep).read(text);
}

ImageRead ParseHexDump(std::string_view text, ImageSizeRule rule)
{
    if (text.empty())
        return {{}, "the file is empty"};
    const DumpBytes dump = ReadHexDumpBytes(text, kMaxImageSize);
    if (!dump.ok())
        return {{}, dump.error};
    // What is kept is all of a short dump, and enough for any image of a long one.
    ImageRead read = ImageFromBytes(dump.bytes, "the dump holds", rule);
    if (read.ok() && read.image.truncated() && !dump.cutShort.empty())
        return {{}, dump.cutShort + ", and the dump ends there: the image would be cut to " +
                        std::to_string(read.image.bytes.size()) + " of " + std::to_string(read.image.size) + " bytes"};
    return read;
}

}  // namespace tessaro

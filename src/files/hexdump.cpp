#include "files/hexdump.h"

#include "core/hex.h"
#include "files/spdformat.h"

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
        if (text.substr(0, 3) == "\xEF\xBB\xBF")  // a UTF-8 byte-order mark
            text.remove_prefix(3);
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
        if (!result_.ok())
            result_.bytes.clear();
        return std::move(result_);
    }

private:
    void fail(int line, const std::string& reason)
    {
        result_.error = "line " + std::to_string(line) + ": " + reason;
    }

    void append(const std::vector<std::uint8_t>& bytes)
    {
        for (std::uint8_t b : bytes) {
            if (result_.bytes.size() < keep_)
                result_.bytes.push_back(b);
        }
        result_.count += bytes.size();
    }

    void readLine(int number, std::string_view line, bool ended)
    {
        const std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty() || tokens[0].front() == '#' || IsColumnHeader(tokens))
            return;
        if (endLine_ != 0) {
            fail(number, "more data after the dump ended on line " + std::to_string(endLine_));
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
        std::string_view first = tokens[0];
        const bool colon = first.size() > 1 && first.back() == ':' && IsHexDigits(first.substr(0, first.size() - 1));
        if (colon || (first.size() >= 4 && IsHexDigits(first))) {
            if (colon)
                first.remove_suffix(1);
            readOffsetLine(number, first, colon, tokens, ended);
        } else {
            readBareLine(number, tokens);
        }
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
                append(previous_);
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
        append(bytes);
        previous_ = std::move(bytes);
        previousLine_ = number;
        if (overfull)
            previousNote_ = "holds more than 16 bytes";
        else if (!stop.empty() && previous_.size() < kBytesPerOffsetLine)
            previousNote_ = "ends its bytes at \"" + PrintableField(stop, 40) + "\"";
        else
            previousNote_.clear();
    }

    void readBareLine(int number, const std::vector<std::string_view>& tokens)
    {
        if (repeatLine_ != 0) {
            fail(repeatLine_, "\"*\" is not followed by an offset line");
            return;
        }
        std::vector<std::uint8_t> bytes;
        bytes.reserve(tokens.size());
        for (const std::string_view token : tokens) {
            if (token.size() != 2 || !IsHexDigits(token)) {
                fail(number, Quoted(token) + " is not a two-digit hex byte");
                return;
            }
            bytes.push_back(HexPairToByte(token));
        }
        append(bytes);
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
    return ImageFromBytes(dump.bytes, "the dump holds", rule);
}

}  // namespace tessaro

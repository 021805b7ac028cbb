#include "decodeoutput.h"

#include "core/checks.h"
#include "core/hex.h"
#include "core/memorytype.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/textformat.h"
#include "document/settle.h"
#include "jsonwriter.h"

#include <algorithm>

namespace tessaro::cli {

namespace {

struct CheckFacts {
    std::string storedSum, computedSum, storedCrc, computedCrc;
    bool sumOk, crcOk;
};

CheckFacts Checks(const SpdImage& image)
{
    const std::uint8_t sum = Checksum63(image);
    const std::uint16_t crc = SpdCrc(image);
    return {ByteToHex(image[kChecksumByte]), ByteToHex(sum), WordToHex(StoredCrc(image)), WordToHex(crc),
            image[kChecksumByte] == sum, StoredCrc(image) == crc};
}

// The captions and texts of the shown panel pair, in panel order.
template <typename F>
void ForEachShownField(const DecodedView& view, F f)
{
    if (view.ddr3PanelsShown) {
        for (int i = 0; i < kDdr3FieldCount; ++i)
            f(i, kDdr3Captions[static_cast<std::size_t>(i)], view.ddr3[static_cast<std::size_t>(i)]);
    } else {
        for (int i = 0; i < kLegacyFieldCount; ++i)
            f(i, kLegacyCaptions[static_cast<std::size_t>(i)], view.legacy[static_cast<std::size_t>(i)]);
    }
}

const std::string* ManufacturerName(const DecodedView& view)
{
    if (view.ddr3PanelsShown)
        return &view.ddr3ManufacturerName;
    return view.legacyManufacturerNameVisible ? &view.legacyManufacturerName : nullptr;
}

void AppendKey(std::string& out, const char* key)
{
    out += ',';
    AppendJsonString(out, key);
    out += ':';
}

SpdImage FirstPage(const ImageData& image)
{
    SpdImage page{};
    std::copy_n(image.bytes.begin(), std::min<std::size_t>(image.bytes.size(), page.size()), page.begin());
    return page;
}

std::span<const std::uint8_t> BytesOf(const ImageData& image)
{
    return image.bytes;
}

// The facts of a settled document: the file read into a brand-new window,
// with its own application-wide values.
void AppendDocumentJsonMembers(std::string& out, const std::string& file, const SpdDocument& document)
{
    const DecodedView& view = document.view();
    out += "\"file\":";
    AppendJsonString(out, file);
    out += ",\"error\":null";
    AppendKey(out, "memoryTypeCode");
    out += std::to_string(static_cast<int>(document.memoryTypeCode()));
    AppendKey(out, "checkMode");
    out += std::to_string(static_cast<int>(document.checkMode()));
    AppendKey(out, "panel");
    AppendJsonString(out, view.ddr3PanelsShown ? "DDR3" : "SDR/DDR/DDR2");
    AppendKey(out, "ioPanelTitle");
    AppendJsonString(out, view.ioPanelTitle);
    AppendKey(out, "fields");
    out += '{';
    ForEachShownField(view, [&](int i, const char* caption, const std::string& text) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, caption);
        out += ':';
        AppendJsonString(out, text);
    });
    out += '}';
    AppendKey(out, "manufacturerName");
    if (const std::string* name = ManufacturerName(view))
        AppendJsonString(out, *name);
    else
        out += "null";
    AppendKey(out, "securityCode");
    AppendJsonString(out, ByteToHex(view.securityCode));
    AppendKey(out, "crcCaption");
    AppendJsonString(out, view.crcCaption);
    AppendKey(out, "crcValue");
    AppendJsonString(out, view.crcValue);
    const CheckFacts c = Checks(document.image());
    out += ",\"checks\":{\"checksum63\":{\"stored\":\"" + c.storedSum + "\",\"computed\":\"" + c.computedSum +
           "\",\"ok\":" + (c.sumOk ? "true" : "false") + "},\"crc16\":{\"stored\":\"" + c.storedCrc +
           "\",\"computed\":\"" + c.computedCrc + "\",\"ok\":" + (c.crcOk ? "true" : "false") + "}}";
}

void AppendDocumentText(std::string& out, const std::string& file, const SpdDocument& document,
                        const ModuleSummary& summary);

}  // namespace

void AppendDecodeJsonMembers(std::string& out, const std::string& file, const ImageData& image)
{
    if (image.size != kSpdSize) {
        AppendDecodeJsonMembers(out, file, DecodeModule(BytesOf(image)));
        return;
    }
    DecodeContext context;
    SpdDocument document(context, file);
    OpenAndSettle(document, FirstPage(image));
    AppendDocumentJsonMembers(out, file, document);
    AppendKey(out, "profiles");
    AppendProfilesJson(out, OverclockProfiles(BytesOf(image)));
    AppendKey(out, "summary");
    AppendSummaryJson(out, SummarizeModule(BytesOf(image)));
}

void AppendDecodeJson(std::string& out, const std::string& file, const ImageData& image)
{
    out += '{';
    AppendDecodeJsonMembers(out, file, image);
    out += "}\n";
}

void AppendDecodeErrorJson(std::string& out, const std::string& file, const std::string& error)
{
    out += "{\"file\":";
    AppendJsonString(out, file);
    out += ",\"error\":";
    AppendJsonString(out, error);
    out += "}\n";
}

void AppendDecodeText(std::string& out, const std::string& file, const ImageData& image)
{
    if (image.size != kSpdSize) {
        // The module decode, indented under the file name as the 256-byte listing is.
        out += TerminalText(file) + "\n";
        const std::string listing = DecodeListing(DecodeModule(BytesOf(image)));
        std::size_t start = 0;
        while (start < listing.size()) {
            const std::size_t end = listing.find('\n', start);
            out += "  ";
            out.append(listing, start, end - start + 1);
            start = end + 1;
        }
        return;
    }
    DecodeContext context;
    SpdDocument document(context, file);
    OpenAndSettle(document, FirstPage(image));
    AppendDocumentText(out, file, document, SummarizeModule(BytesOf(image)));
    const std::string profiles = ProfilesListing(OverclockProfiles(BytesOf(image)));
    if (!profiles.empty()) {
        out += "  profiles\n";
        std::size_t start = 0;
        while (start < profiles.size()) {
            const std::size_t end = profiles.find('\n', start);
            out += "    ";
            out.append(profiles, start, end - start + 1);
            start = end + 1;
        }
    }
}

namespace {

void AppendDocumentText(std::string& out, const std::string& file, const SpdDocument& document,
                        const ModuleSummary& summary)
{
    const DecodedView& view = document.view();
    auto line = [&out](const std::string& label, const std::string& value) {
        out += "    ";
        out += label;
        // Pad by characters, not bytes, so that the values line up.
        std::size_t width = 0;
        for (unsigned char c : label)
            width += (c & 0xC0) != 0x80;
        out.append(width < 28 ? 28 - width : 1, ' ');
        out += value;
        out += '\n';
    };
    static constexpr const char* kModes[] = {"Checksum", "CRC", "None"};
    const auto mode = static_cast<std::size_t>(document.checkMode());
    out += TerminalText(file) + "\n";  // a name may hold any byte too
    out += "  " + summary.line() + "\n";
    out += "  memory type code " + std::to_string(static_cast<int>(document.memoryTypeCode())) + " (" +
           MemoryTypeCodeName(document.memoryTypeCode()) + "), check mode " + std::to_string(mode) + " (" + kModes[mode] +
           ")\n";
    out += "  " + view.ioPanelTitle + "\n";
    ForEachShownField(view, [&](int i, const char* caption, const std::string& text) {
        if (i == 0)
            out += std::string("  ") + kInfoPanelTitle + "\n";
        if (i == kInfoPanelFieldCount)
            out += std::string("  ") + kManufacturingPanelTitle + "\n";
        // A part number may hold any byte; none of them reaches the terminal as a control.
        std::string shown = TerminalText(text);
        const bool isId = view.ddr3PanelsShown ? i == static_cast<int>(Ddr3Field::ManufacturerId)
                                                : i == static_cast<int>(LegacyField::JedecId);
        if (isId)
            if (const std::string* name = ManufacturerName(view))
                shown += "  " + *name;
        line(caption, shown);
    });
    out += "  " + std::string("電腦") + "\n";
    line("Security code", ByteToHex(view.securityCode));
    line(view.crcCaption, view.crcValue);
    const CheckFacts c = Checks(document.image());
    out += "  checks\n";
    // Byte 2 says which check the image keeps; the other is shown for reference.
    const bool crcKept = UsesCrc(document.image());
    auto verdict = [](bool kept, bool ok) { return !kept ? ", not kept for this type" : ok ? ", ok" : ", MISMATCH"; };
    line("checksum (byte 63)", "stored " + c.storedSum + ", computed " + c.computedSum + verdict(!crcKept, c.sumOk));
    line("CRC-16 (bytes 126-127)", "stored " + c.storedCrc + ", computed " + c.computedCrc + verdict(crcKept, c.crcOk));
}

}  // namespace

}  // namespace tessaro::cli

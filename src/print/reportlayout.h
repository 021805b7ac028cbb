#pragma once

#include "core/memorytype.h"
#include "core/spdimage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro {

// A text colour of the report as red, green, blue.
struct PrintColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const PrintColor&, const PrintColor&) = default;
};
inline constexpr PrintColor kPrintRed{255, 0, 0};
inline constexpr PrintColor kPrintBlue{0, 0, 255};
inline constexpr PrintColor kPrintGreen{0, 240, 15};

// One text the printer places on the page: x is its left edge and y the top
// of its line, in twips from the top left of the printable page; `text` is
// UTF-8 (the part number's bytes as their Windows-1252 characters).
struct PrintItem {
    int x = 0;
    int y = 0;
    int size = 12;  // points
    bool bold = false;
    bool italic = false;
    PrintColor color;
    std::string text;
    friend bool operator==(const PrintItem&, const PrintItem&) = default;
};

// The printer's state while a report is laid out: font, colour and the
// current position. Printing a text records an item where the position
// stands, then moves to x = 0 on the next line (240 twips further down).
class ReportPage
{
public:
    static constexpr int kLineHeight = 240;

    void setFontSize(int points) { m_size = points; }
    void setBold(bool bold) { m_bold = bold; }
    void setItalic(bool italic) { m_italic = italic; }
    void setColor(PrintColor color) { m_color = color; }
    [[nodiscard]] PrintColor color() const { return m_color; }
    void setX(int x) { m_x = x; }
    void setY(int y) { m_y = y; }
    void moveTo(int x, int y) { m_x = x; m_y = y; }
    void print(std::string text);

    [[nodiscard]] std::vector<PrintItem> takeItems() { return std::move(m_items); }

private:
    int m_x = 0;
    int m_y = 0;
    int m_size = 12;
    bool m_bold = false;
    bool m_italic = false;
    PrintColor m_color;
    std::vector<PrintItem> m_items;
};

// What a report needs of the document: its image, its window caption and
// the web address printed in the corner.
struct ReportSource {
    SpdImage image{};
    std::string caption;
    std::string webAddress;
};

// The three layouts of the one-page report, each laid out on `page` from the
// report table of its generation.
void LayoutSdrReport(ReportPage& page, const ReportSource& source);
void LayoutDdrReport(ReportPage& page, const ReportSource& source);
void LayoutDdr2Report(ReportPage& page, const ReportSource& source);

// The type whose layout byte 2 selects: SDR, DDR2 and DDR3 their own, every
// other type (DDR, unknown codes ...) DDR's.
[[nodiscard]] MemoryType ReportLayoutFor(std::uint8_t byte2);

// The whole page of a document's report, in print order.
[[nodiscard]] std::vector<PrintItem> LayoutReport(const ReportSource& source);

// The maker's web address that the report prints in its top corner.
[[nodiscard]] std::string MakerWebAddress();

// --- Value texts ---
// Bytes first..last as two-digit upper-case hex pairs, without separators.
[[nodiscard]] std::string ReportBytes(const SpdImage& image, int first, int last);
// Bytes 73-90 as the characters with those codes (zero bytes included), or
// the empty text when all eighteen are 0.
[[nodiscard]] std::string ReportPartNumber(const SpdImage& image);
// The caption after its last path separator ("\" or "/"); all of it when it has none.
[[nodiscard]] std::string ReportDocumentName(const std::string& caption);

}  // namespace tessaro

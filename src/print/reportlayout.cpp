#include "print/reportlayout.h"

#include "core/bytetables.h"
#include "core/hex.h"
#include "decode/textformat.h"
#include "print/modulereport.h"

#include <initializer_list>

namespace tessaro {

namespace {

// How one layout differs from the others.
struct LayoutShape {
    int fileNameY;
    int headingY;
    std::vector<int> alternating;  // description entries in alternating colours
    std::vector<std::pair<int, PrintColor>> fixedAfter;  // entries after them, fixed colours
    int blankLines;  // before the middle rule
    std::vector<int> fields;  // entries after the middle rule, red, blue, red ...
    bool greenClosingRule;
    int valuesY;
    int idRunX;
    int idRunY;
    bool sdrTail;  // bytes 99-125 as a run, then 126 and 127; else 99-127 as one run
};

std::vector<int> Range(int first, int last)
{
    std::vector<int> entries;
    for (int i = first; i <= last; ++i)
        entries.push_back(i);
    return entries;
}

// A line is blue when the previous colour was red and red otherwise.
void Alternate(ReportPage& page)
{
    page.setColor(page.color() == kPrintRed ? kPrintBlue : kPrintRed);
}

PrintColor FieldColor(std::size_t position)
{
    return position % 2 == 0 ? kPrintRed : kPrintBlue;
}

void Lay(ReportPage& page, const ReportSource& source, const ReportTable& table, const LayoutShape& shape)
{
    const SpdImage& image = source.image;
    auto entry = [&table](int index) { return table[static_cast<std::size_t>(index)]; };
    auto value = [&image](int index) { return ByteToHex(image[static_cast<std::size_t>(index)]); };

    // Title: the maker's web address, then the document name.
    page.setFontSize(8);
    page.setItalic(true);
    page.setColor(kPrintRed);
    page.moveTo(9500, 200);
    page.print(source.webAddress);
    page.setItalic(false);

    page.setFontSize(12);
    page.setBold(true);
    page.setColor(kPrintBlue);
    page.moveTo(0, shape.fileNameY);
    page.print("     Filename: " + ReportDocumentName(source.caption));
    page.setBold(false);
    page.print("  ");

    page.moveTo(10300, shape.headingY);
    page.print("HEX");
    page.moveTo(0, shape.headingY);
    page.print(entry(kReportHeading));
    page.print(entry(kReportRule));

    // Description column; the alternation starts with blue.
    page.setColor(kPrintRed);
    for (int index : shape.alternating) {
        Alternate(page);
        page.print(entry(index));
    }
    for (const auto& [index, color] : shape.fixedAfter) {
        page.setColor(color);
        page.print(entry(index));
    }
    for (int i = 0; i < shape.blankLines; ++i)
        page.print("  ");
    page.setColor(kPrintBlue);
    page.print(entry(kReportRule));
    for (std::size_t i = 0; i < shape.fields.size(); ++i) {
        page.setColor(FieldColor(i));
        page.print(entry(shape.fields[i]));
    }
    if (shape.greenClosingRule)
        page.setColor(kPrintGreen);
    page.print(entry(kReportRule));

    // Value column, each value in the colour of its description line.
    page.setColor(kPrintRed);  // so that the first value is blue
    page.moveTo(10500, shape.valuesY);
    for (int index : shape.alternating) {
        Alternate(page);
        page.setX(10500);
        page.print(value(index));
    }
    for (const auto& [index, color] : shape.fixedAfter) {
        page.setColor(color);
        page.setX(10500);
        page.print(value(index));
    }

    page.setColor(kPrintRed);
    page.moveTo(shape.idRunX, shape.idRunY);
    page.print(ReportBytes(image, 64, 71));
    page.setColor(kPrintBlue);
    page.setX(10500);
    page.print(value(72));
    page.setColor(kPrintRed);
    page.setX(8550);
    page.print(ReportPartNumber(image));
    page.setColor(kPrintBlue);
    page.setX(10270);
    page.print(ReportBytes(image, 91, 92));
    page.setColor(kPrintRed);
    page.setX(10500);
    page.print(value(93));
    page.setColor(kPrintBlue);
    page.setX(10500);
    page.print(value(94));
    page.setColor(kPrintRed);
    page.setX(9830);
    page.print(ReportBytes(image, 95, 98));
    page.setColor(kPrintBlue);
    if (shape.sdrTail) {
        page.setX(4660);
        page.print(ReportBytes(image, 99, 125));
        page.setColor(kPrintRed);
        page.setX(10500);
        page.print(value(126));
        page.setColor(kPrintBlue);
        page.setX(10500);
        page.print(value(127));
    } else {
        page.setX(4220);
        page.print(ReportBytes(image, 99, 127));
    }
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> joined;
    for (const auto& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

const std::vector<int> kDdrFields{64, 72, 73, 91, 93, 94, 95, 99};

}  // namespace

void ReportPage::print(std::string text)
{
    m_items.push_back(PrintItem{m_x, m_y, m_size, m_bold, m_italic, m_color, std::move(text)});
    m_x = 0;
    m_y += kLineHeight;
}

void LayoutSdrReport(ReportPage& page, const ReportSource& source)
{
    const LayoutShape shape{
        800,
        1340,
        Range(0, 36),
        {{41, kPrintRed}, {42, kPrintBlue}, {62, kPrintRed}, {63, kPrintBlue}},
        4,
        {64, 72, 73, 91, 93, 94, 95, 99, 126, 127},
        true,
        1810,
        8920,
        12850,
        true,
    };
    Lay(page, source, FillReportTables().sdr, shape);
}

void LayoutDdrReport(ReportPage& page, const ReportSource& source)
{
    const LayoutShape shape{
        800,
        1340,
        Join({Range(0, 36), Range(41, 46)}),
        {{62, kPrintRed}, {63, kPrintBlue}},
        2,
        kDdrFields,
        false,
        1800,
        8920,
        13350,
        false,
    };
    Lay(page, source, FillReportTables().ddr, shape);
}

void LayoutDdr2Report(ReportPage& page, const ReportSource& source)
{
    const LayoutShape shape{
        600,
        1140,
        Range(0, 47),
        {{62, kPrintBlue}, {63, kPrintRed}},
        0,
        kDdrFields,
        false,
        1620,
        8900,
        13880,
        false,
    };
    Lay(page, source, FillReportTables().ddr2, shape);
}

std::string MakerWebAddress()
{
    return TESSARO_WEB_ADDRESS;
}

MemoryType ReportLayoutFor(std::uint8_t byte2)
{
    const MemoryType type = MemoryTypeOf(byte2);
    return type == MemoryType::Sdr || type == MemoryType::Ddr2 || type == MemoryType::Ddr3 ? type : MemoryType::Ddr;
}

std::vector<PrintItem> LayoutReport(const ReportSource& source)
{
    ReportPage page;
    switch (ReportLayoutFor(source.image[2])) {
    case MemoryType::Ddr3: return LayoutDdr3Report(source);
    case MemoryType::Sdr: LayoutSdrReport(page, source); break;
    case MemoryType::Ddr2: LayoutDdr2Report(page, source); break;
    default: LayoutDdrReport(page, source); break;
    }
    return page.takeItems();
}

std::string ReportBytes(const SpdImage& image, int first, int last)
{
    return HexString(ByteRange(image, first, last));
}

std::string ReportPartNumber(const SpdImage& image)
{
    int sum = 0;
    for (int i = 73; i <= 90; ++i)
        sum += image[static_cast<std::size_t>(i)];
    std::string text;
    if (sum != 0)
        AssignAnsiText(text, ByteRange(image, 73, 90));  // the code page the decoded panels use
    return text;
}

std::string ReportDocumentName(const std::string& caption)
{
    const std::size_t cut = caption.find_last_of("\\/");
    return cut == std::string::npos ? caption : caption.substr(cut + 1);
}

}  // namespace tessaro

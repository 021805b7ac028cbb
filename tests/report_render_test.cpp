#include "print/modulereport.h"
#include "print/reportrender.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tessaro;

namespace {

// A page that remembers every text drawn on it: where (in device pixels),
// in which font and colour.
struct DrawnText {
    QPointF at;
    QString text;
    QFont font;
    QColor color;
    qreal scale;
};

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& changed) override
    {
        if (changed.state() & QPaintEngine::DirtyPen)
            m_pen = changed.pen();
        if (changed.state() & QPaintEngine::DirtyTransform)
            m_transform = changed.transform();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        texts.push_back({m_transform.map(p), item.text(), item.font(), m_pen.color(), m_transform.m11()});
    }
    [[nodiscard]] Type type() const override { return QPaintEngine::User; }

    std::vector<DrawnText> texts;

private:
    QPen m_pen;
    QTransform m_transform;
};

class RecordingPage : public QPaintDevice
{
public:
    RecordingPage(int width, int height, int dpi)
        : m_width(width)
        , m_height(height)
        , m_dpi(dpi)
    {
    }
    [[nodiscard]] QPaintEngine* paintEngine() const override { return &m_engine; }
    [[nodiscard]] const std::vector<DrawnText>& texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_width;
        case PdmHeight: return m_height;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return m_dpi;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    int m_width;
    int m_height;
    int m_dpi;
    mutable RecordingEngine m_engine;
};

std::vector<PrintItem> Ddr2Items()
{
    SpdImage image = test::CountingImage();
    image[2] = 8;
    return LayoutReport(ReportSource{image, "C:\\SPD\\module.spd", "https://example.test/"});
}

std::vector<DrawnText> Draw(const std::vector<PrintItem>& items, QSizeF printableTwips, int dpi)
{
    RecordingPage page(static_cast<int>(printableTwips.width() * dpi / 1440),
                       static_cast<int>(printableTwips.height() * dpi / 1440), dpi);
    QPainter painter(&page);
    RenderReport(painter, items, printableTwips, dpi, dpi);
    painter.end();
    return page.texts();
}

int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString pdf = QString::fromLatin1(file.readAll());
    return static_cast<int>(pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

}  // namespace

TEST(ReportRender, EveryItemAtItsTwipsInItsFontAndColour)
{
    const std::vector<PrintItem> items = Ddr2Items();
    // A page wide enough for every text: drawn at its own scale, 600 dpi.
    std::vector<DrawnText> drawn;
    for (DrawnText& text : Draw(items, QSizeF(40000, 40000), 600)) {
        if (!text.text.trimmed().isEmpty())
            drawn.push_back(std::move(text));
    }
    std::vector<const PrintItem*> inked;
    for (const PrintItem& item : items) {
        if (!QString::fromStdString(item.text).trimmed().isEmpty())
            inked.push_back(&item);
    }
    ASSERT_EQ(drawn.size(), inked.size());
    const qreal pixelsPerTwip = 600.0 / 1440.0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const PrintItem& item = *inked[i];
        const DrawnText& text = drawn[i];
        SCOPED_TRACE(item.text);
        EXPECT_EQ(text.text.trimmed(), QString::fromUtf8(item.text.c_str()).trimmed());
        EXPECT_NEAR(text.at.x(), item.x * pixelsPerTwip, 0.5);
        // The item's y is the top of its line: the baseline lies one ascent lower.
        const qreal top = item.y * pixelsPerTwip;
        EXPECT_GT(text.at.y(), top);
        EXPECT_LT(text.at.y(), top + 240 * pixelsPerTwip);
        EXPECT_EQ(text.color, QColor(item.color.r, item.color.g, item.color.b));
        EXPECT_EQ(text.font.bold(), item.bold);
        EXPECT_EQ(text.font.italic(), item.italic);
        EXPECT_NEAR(text.font.pixelSize() * text.scale, item.size * 20 * pixelsPerTwip, 0.01);
    }
}

TEST(ReportRender, PageShrinksEvenlyOnlyWhenTextWouldRunOff)
{
    const std::vector<PrintItem> items = Ddr2Items();
    EXPECT_DOUBLE_EQ(ReportFitScale(items, QSizeF(40000, 40000)), 1.0);
    // Half a page's width: everything shrinks by the same factor and ends inside.
    const QSizeF narrow(6000, 40000);
    const qreal fit = ReportFitScale(items, narrow);
    EXPECT_LT(fit, 0.6);
    EXPECT_GT(fit, 0.3);
    const std::vector<DrawnText> drawn = Draw(items, narrow, 300);
    for (const DrawnText& text : drawn)
        EXPECT_NEAR(text.scale, 300.0 / 1440 * fit, 1e-9);
    const qreal limit = narrow.width() * 300 / 1440;
    for (const DrawnText& text : drawn) {
        const QFontMetricsF metrics(text.font);
        EXPECT_LE(text.at.x() + metrics.horizontalAdvance(text.text.trimmed()) * text.scale, limit + 1) << text.text.toStdString();
    }
    // Items whose text is too long for the height shrink the page as well.
    EXPECT_LT(ReportFitScale(items, QSizeF(40000, 8000)), 0.6);
}

// The printer and the PDF writer take the same page through the same code.
class ReportDevices : public ::testing::TestWithParam<const char*>
{
};

TEST_P(ReportDevices, PrintsTheReportOnOnePage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    bool printed = false;
    if (std::string(GetParam()) == "printer") {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printed = PrintReportOn(printer, Ddr2Items());
    } else {
        QPdfWriter writer(path);
        printed = PrintReportOn(writer, Ddr2Items());
    }
    ASSERT_TRUE(printed);
    EXPECT_EQ(PdfPageCount(path), 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Serif"))) {
        EXPECT_TRUE(pdf.contains("LiberationSerif"));
    }
}

INSTANTIATE_TEST_SUITE_P(PrinterAndPdf, ReportDevices, ::testing::Values("printer", "pdf-writer"));

TEST(ReportRender, PdfFileIsWrittenWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    ASSERT_TRUE(WriteReportPdf(path, Ddr2Items(), &error)) << error.toStdString();
    EXPECT_EQ(PdfPageCount(path), 1);

    EXPECT_FALSE(WriteReportPdf(dir.filePath(QStringLiteral("missing/report.pdf")), Ddr2Items(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing/report.pdf")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/report.pdf"))));

    // The command line writes the same page.
    const std::string image = dir.filePath(QStringLiteral("module.bin")).toStdString();
    SpdImage bytes = test::CountingImage();
    bytes[2] = 11;
    test::WriteAll(image, std::string(bytes.begin(), bytes.end()));
    const std::string out = dir.filePath(QStringLiteral("cli.pdf")).toStdString();
    const test::CommandResult result = test::RunCli({"report", image, "--pdf", out});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(PdfPageCount(QString::fromStdString(out)), 1);
    const test::CommandResult failed =
        test::RunCli({"report", image, "--pdf", dir.filePath(QStringLiteral("missing/x.pdf")).toStdString()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("missing/x.pdf"), std::string::npos);
}

// The page of a 1024-byte image fills the sheet at its own scale, and the
// command line writes it as one PDF page.
TEST(ReportRender, ModulePageFitsUnshrunkAndIsOnePdfPage)
{
    std::vector<std::uint8_t> bytes(1024, 0xEE);
    bytes[0] = 0x30;
    bytes[1] = 0x10;
    bytes[2] = 0x12;
    bytes[3] = 0x03;
    bytes[20] = 0xA0;
    bytes[21] = 0x01;
    EXPECT_EQ(ReportFitScale(LayoutModuleReport(bytes, "ddr5.bin"), QSizeF(kModuleReportWidth, kModuleReportHeight)),
              1.0);

    QTemporaryDir dir;
    const std::string image = dir.filePath(QStringLiteral("ddr5.bin")).toStdString();
    test::WriteAll(image, std::string(bytes.begin(), bytes.end()));
    const std::string out = dir.filePath(QStringLiteral("ddr5.pdf")).toStdString();
    const test::CommandResult result = test::RunCli({"report", image, "--pdf", out});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(PdfPageCount(QString::fromStdString(out)), 1);
}

// The command line opens its PDF writer only for --pdf: beside the executable
// first, else at the installed place relative to it. A copy of the executable
// in a folder of its own shows each case.
TEST(ReportRender, CommandLineLoadsItsPdfWriterOnlyWhenThere)
{
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString cli = bin + QStringLiteral("/tessaro-cli");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESSARO_CLI), cli));
    const std::string image = dir.filePath(QStringLiteral("module.bin")).toStdString();
    SpdImage bytes = test::CountingImage();
    bytes[2] = 8;
    test::WriteAll(image, std::string(bytes.begin(), bytes.end()));
    const std::string out = dir.filePath(QStringLiteral("page.pdf")).toStdString();
    // Built by appending: GCC 12 at -O3 sees a false overlap in "literal" + string.
    const auto quoted = [](const std::string& text) {
        std::string q(1, '\'');
        q += text;
        q += '\'';
        return q;
    };
    const auto run = [&](const std::string& options) {
        std::string command = quoted(cli.toStdString());
        command += " report ";
        command += quoted(image);
        command += ' ';
        command += options;
        return test::RunShell(command);
    };
    const auto pdfTo = [&](const std::string& file) {
        std::string option = "--pdf ";
        option += quoted(file);
        return option;
    };

    // No module anywhere: the PDF alone fails, with the loader's reason.
    test::CommandResult result = run(pdfTo(out));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("tessaro-cli: cannot write a PDF: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("libtessaro-report-pdf.so"), std::string::npos) << result.err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
    result = run("--items");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\"text\": "), std::string::npos);

    // At the installed place.
    const QString installed = QDir::cleanPath(bin + QStringLiteral("/" TESSARO_PDF_MODULE_DIR));
    ASSERT_TRUE(installed.startsWith(dir.path())) << installed.toStdString();
    ASSERT_TRUE(QDir().mkpath(installed));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESSARO_PDF_MODULE), installed + QStringLiteral("/libtessaro-report-pdf.so")));
    result = run(pdfTo(out));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(PdfPageCount(QString::fromStdString(out)), 1);

    // A module beside the executable comes first, and one that does not load
    // is named rather than passed over.
    test::WriteAll((bin + QStringLiteral("/libtessaro-report-pdf.so")).toStdString(), "not a library");
    result = run(pdfTo(dir.filePath(QStringLiteral("second.pdf")).toStdString()));
    EXPECT_EQ(result.exitCode, 1);
    std::string besideModule = bin.toStdString();
    besideModule += "/libtessaro-report-pdf.so";
    EXPECT_NE(result.err.find(besideModule), std::string::npos) << result.err;
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("second.pdf"))));
}

#include "documentwindow/moduledocumentwindow.h"
#include "files/imageformat.h"
#include "print/printcommand.h"
#include "print/reportrender.h"
#include "testsupport.h"
#include "workstationtest.h"

#include <QAction>
#include <QFile>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

// A printer whose dialog is answered by the test and whose page is a PDF file.
class PdfPrinter : public ReportPrinter
{
public:
    PdfPrinter(QString path, bool accept, int* dialogs)
        : m_writer(path)
        , m_accept(accept)
        , m_dialogs(dialogs)
    {
    }
    bool choose(QWidget*) override
    {
        ++*m_dialogs;
        return m_accept;
    }
    QPagedPaintDevice& device() override { return m_writer; }

private:
    QPdfWriter m_writer;
    bool m_accept;
    int* m_dialogs;
};

class PrintCommand : public test::WorkstationTest
{
protected:
    void usePdf(bool accept)
    {
        window->setReportPrinter(std::make_unique<PdfPrinter>(pdfPath(), accept, &dialogs));
    }
    QAction* toolButton(const char* key) const { return window->findChild<QAction*>(QString::fromLatin1(key)); }
    QString pdfPath() const { return dir.filePath(QStringLiteral("page.pdf")); }
    bool printed() const { return QFile(pdfPath()).size() > 0; }

    QTemporaryDir dir;
    int dialogs = 0;
};

}  // namespace

TEST(PrintDialog, CancelPrintsNothingAndOffersNoPageRange)
{
    QTemporaryDir dir;
    SystemReportPrinter printer;
    printer.printer().setOutputFileName(dir.filePath(QStringLiteral("never.pdf")));
    ReportSource source{test::CountingImage(), "SPD_File 1", "https://example.test/"};

    test::ModalResponder responder;
    QString title;
    bool pageRange = true;
    responder.handleDialog([&](QWidget* dialog) {
        title = dialog->windowTitle();
        if (auto* print = qobject_cast<QPrintDialog*>(dialog))
            pageRange = print->testOption(QAbstractPrintDialog::PrintPageRange);
        static_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_EQ(PrintReport(nullptr, &source, printer), PrintOutcome::Cancelled);
    EXPECT_EQ(responder.dialogsSeen(), 1);
    EXPECT_EQ(title, QStringLiteral("Print"));
    EXPECT_FALSE(pageRange);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.pdf"))));

    // Without a document there is no dialog at all.
    EXPECT_EQ(PrintReport(nullptr, nullptr, printer), PrintOutcome::NoDocument);
    EXPECT_EQ(responder.dialogsSeen(), 1);
}

TEST_F(PrintCommand, MenuAndToolBarPrintTheActiveDocument)
{
    usePdf(true);
    // No document: nothing at all, not even the dialog.
    toolButton("PRINT")->trigger();
    EXPECT_EQ(dialogs, 0);

    DocumentWindow* doc = window->newDocument();
    ASSERT_NE(doc, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(printed());
}

TEST_F(PrintCommand, ToolBarPrintsWhileTheMenuEntryIsDisabled)
{
    usePdf(true);
    window->newDocument();
    window->action(QStringLiteral("mnuFilePrint"))->setEnabled(false);
    toolButton("PRINT")->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(printed());
}

TEST_F(PrintCommand, CancelAndPrinterFailureEndQuietly)
{
    usePdf(false);
    window->newDocument();
    test::ModalResponder responder;
    window->action(QStringLiteral("mnuFilePrint"))->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(printed());

    // A printer that cannot start its page: no message, the window goes on.
    window->setReportPrinter(
        std::make_unique<PdfPrinter>(dir.filePath(QStringLiteral("no/such/dir/page.pdf")), true, &dialogs));
    window->action(QStringLiteral("mnuFilePrint"))->trigger();
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(responder.messages().empty());
    EXPECT_EQ(window->documents().size(), 1);
}

TEST_F(PrintCommand, ModuleDocumentPrintsItsOwnPage)
{
    usePdf(true);
    std::vector<std::uint8_t> bytes(1024, 0);
    bytes[0] = 0x30;
    bytes[1] = 0x10;
    bytes[2] = 0x12;
    ASSERT_NE(window->openModuleDocument(ImageData{bytes, 1024}, QStringLiteral("ddr5.bin")), nullptr);
    ASSERT_NE(window->activeModuleDocument(), nullptr);
    window->action(QStringLiteral("mnuFilePrint"))->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(printed());

    // Cancelled: no page.
    QFile::remove(pdfPath());
    usePdf(false);
    toolButton("PRINT")->trigger();
    EXPECT_EQ(dialogs, 2);
    EXPECT_FALSE(printed());
}

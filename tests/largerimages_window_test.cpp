// The main window with 512- and 1024-byte images: Open, Save, the hex-dump
// import, this computer's modules and the compare window (offscreen).
#include "app/installedmodulesdialog.h"
#include "app/mainwindow.h"
#include "core/hex.h"
#include "decode/moduledecode.h"
#include "documentwindow/clipboard.h"
#include "documentwindow/comparewindow.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "documentwindow/programmerpanel.h"
#include "files/imageformat.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"
#include "app/appicon.h"

#include <QApplication>
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tessaro;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A DDR4 image whose CRC blocks are both right.
Bytes Ddr4Image()
{
    Bytes b(512, 0);
    b[0] = 0x23;
    b[1] = 0x11;
    b[2] = 0x0C;
    b[3] = 0x03;
    b[4] = 0x45;
    b[12] = 0x01;
    b[13] = 0x03;
    b[18] = 0x05;
    b[24] = 0x6E;
    FixCrcBlocks(b);
    return b;
}

std::string AsText(const Bytes& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::function<void(QWidget*)> ChooseFile(const QString& path)
{
    return [path](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
}

class LargerImages : public test::WorkstationTest
{
protected:
    void TearDown() override
    {
        for (ModuleDocumentWindow* d : window->moduleDocuments())
            d->document().setModified(false);
        WorkstationTest::TearDown();
    }
    [[nodiscard]] QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(LargerImages, OpenShowsEveryByteAndSaveWritesTheWholeImageInBothForms)
{
    const QString file = path("ddr4.bin");
    test::WriteAll(file.toStdString(), AsText(Ddr4Image()));
    window->openPath(file);
    ModuleDocumentWindow* doc = window->activeModuleDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(window->activeDocument(), nullptr) << "no 256-byte window for a DDR4 file";
    EXPECT_EQ(doc->document().size(), 512);
    EXPECT_EQ(QString::fromStdString(doc->document().captionWithoutMark()), file);

    // Every programmer button says why it sends nothing for this image; the
    // two reads ask first and put the 256 bytes they read into a new window.
    auto* programmer = doc->findChild<ProgrammerPanel*>();
    ASSERT_NE(programmer, nullptr);
    {
        QList<QPushButton*> buttons = programmer->findChildren<QPushButton*>();
        buttons.removeIf([](QPushButton* b) { return b->text() == QStringLiteral("重置"); });  // the counters' reset
        QList<QPushButton*> reads = buttons;
        reads.removeIf([](QPushButton* b) { return !b->text().contains(QStringLiteral("讀取")); });
        ASSERT_EQ(reads.size(), 2);
        test::ModalResponder refusals;
        refusals.answer(QMessageBox::Yes);
        // While another command runs, no button does anything (as in the 256-byte window).
        app.deviceIdle = false;
        for (QPushButton* button : buttons)
            button->click();
        QTest::qWait(50);
        EXPECT_TRUE(refusals.messages().empty());
        EXPECT_TRUE(window->documents().isEmpty()) << "no read ran into a new window";
        app.deviceIdle = true;
        for (QPushButton* button : buttons) {
            if (!reads.contains(button))
                button->click();
        }
        QTest::qWait(50);
        EXPECT_EQ(refusals.messages().size(), static_cast<std::size_t>(buttons.size() - reads.size()));
        for (const test::SeenMessage& m : refusals.messages())
            EXPECT_TRUE(m.text.contains(QStringLiteral("512"))) << m.text.toStdString();
        // The question holds the programmer until its answer comes.
        refusals.answer(QMessageBox::No);
        reads[0]->click();
        EXPECT_FALSE(app.deviceIdle);
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.deviceIdle; }, 3000));
        EXPECT_TRUE(window->documents().isEmpty()) << "declined: nothing opened";
        refusals.answer(QMessageBox::Yes);
        reads[1]->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.deviceIdle; }, 3000));
        EXPECT_EQ(window->documents().size(), 1) << "a 256-byte window for the read";
        for (QMdiSubWindow* sub : window->workspace()->subWindowList()) {
            if (qobject_cast<DocumentWindow*>(sub->widget()) != nullptr)
                sub->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(doc->document().size(), 512) << "the larger image stays";
    }

    // Opening it again brings the same window to the front.
    window->openPath(file);
    EXPECT_EQ(window->moduleDocuments().size(), 1);

    doc->document().editByte(0x10, 0xAB);
    EXPECT_TRUE(doc->document().isModified());
    window->saveFile();
    EXPECT_FALSE(doc->document().isModified());
    const std::string saved = test::ReadAll(file.toStdString());
    ASSERT_EQ(saved.size(), 512u);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[0x10]), 0xAB);
    for (const CrcBlock& block : CrcBlocks(Bytes(saved.begin(), saved.end())))
        EXPECT_TRUE(block.ok()) << block.key << ": the CRC followed the edit";

    // Save As a text file: 32 lines, and it opens again as the same image.
    test::ModalResponder responder;
    const QString text = path("copy.spd");
    responder.handleDialog(ChooseFile(text));
    window->saveFileAs();
    EXPECT_EQ(QString::fromStdString(doc->document().captionWithoutMark()), text);
    const ImageRead back = ParseImageText(test::ReadAll(text.toStdString()));
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.image.bytes, Bytes(saved.begin(), saved.end()));

    // A 256-byte file still opens in the 256-byte window.
    const QString small = path("ddr2.bin");
    SpdImage ddr2 = test::CountingImage();
    ddr2[2] = 0x08;
    test::WriteAll(small.toStdString(), std::string(ddr2.begin(), ddr2.end()));
    window->openPath(small);
    ASSERT_NE(window->activeDocument(), nullptr);
    EXPECT_EQ(window->activeDocument()->document().image(), ddr2);
}

// The first 256 bytes of a DDR4 image, as a 256-byte programmer reads them,
// binary or 16 text lines: the 512-byte window, the absent bytes empty, the
// warning in the status bar.
TEST_F(LargerImages, TheFirstPageOfADdr4ImageOpensAsTheTruncatedImage)
{
    Bytes page = Ddr4Image();
    page.resize(256);
    const QString binary = path("page.bin");
    const QString text = path("page.spd");
    test::WriteAll(binary.toStdString(), AsText(page));
    test::WriteAll(text.toStdString(), ImageTextBytes(page));
    for (const QString& file : {binary, text}) {
        window->openPath(file);
        ModuleDocumentWindow* doc = window->activeModuleDocument();
        ASSERT_NE(doc, nullptr) << file.toStdString();
        EXPECT_EQ(doc->document().size(), 512);
        EXPECT_EQ(doc->document().bytes(), page);
        EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("truncated: 256 of 512 bytes"));
    }
}

TEST_F(LargerImages, HexDumpImportOpensAnUntitledModifiedDocument)
{
    const Bytes image = Ddr4Image();
    std::string dump;
    for (std::size_t i = 0; i < image.size(); ++i)
        dump += ByteToHex(image[i]) + ((i % 16 == 15) ? "\n" : " ");
    const QString file = path("dump.txt");
    test::WriteAll(file.toStdString(), dump);
    test::ModalResponder responder;
    responder.handleDialog(ChooseFile(file));
    window->importHexDump();
    ModuleDocumentWindow* doc = window->activeModuleDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->document().bytes(), image);
    EXPECT_TRUE(doc->document().isModified());
    EXPECT_EQ(doc->document().captionWithoutMark().rfind("SPD_File", 0), 0u);

    // A malformed dump: one message, no window.
    const QString bad = path("bad.txt");
    test::WriteAll(bad.toStdString(), "0000: 00 00\n0020: 00\n");
    responder.handleDialog(ChooseFile(bad));
    window->importHexDump();
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("line 2"))) << responder.messages()[0].text.toStdString();
    EXPECT_EQ(window->moduleDocuments().size(), 1);
}

TEST_F(LargerImages, ThisComputersModulesOpenAsDocumentsCaptionedBySlot)
{
    const std::string devices = dir.path().toStdString() + "/sys/bus/i2c/devices";
    auto add = [&](const std::string& entry, const std::string& driver, const std::string& bytes) {
        std::filesystem::create_directories(devices + "/" + entry);
        test::WriteAll(devices + "/" + entry + "/name", driver + "\n");
        test::WriteAll(devices + "/" + entry + "/eeprom", bytes);
    };
    const Bytes ddr4 = Ddr4Image();
    add("0-0050", "ee1004", AsText(ddr4));
    SpdImage ddr2 = test::CountingImage();
    ddr2[2] = 0x08;
    add("0-0051", "spd", std::string(ddr2.begin(), ddr2.end()));
    add("0-0052", "eeprom", std::string(10, '\xFF'));  // unreadable as an image: listed, not offered
    window->setSysfsRoot(dir.path());

    test::ModalResponder responder;
    int listed = -1;
    responder.handleDialog([&](QWidget* w) {
        auto* dialog = qobject_cast<InstalledModulesDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (dialog->scanning()) {
            QSignalSpy finished(dialog, &InstalledModulesDialog::scanFinished);
            ASSERT_TRUE(finished.wait(5000));
        }
        listed = dialog->list()->topLevelItemCount();
        dialog->accept();
    });
    window->readInstalledModules();
    EXPECT_EQ(listed, 3);
    ASSERT_EQ(window->moduleDocuments().size(), 1);
    EXPECT_EQ(window->moduleDocuments()[0]->document().captionWithoutMark(), "0-0050 (ee1004)");
    EXPECT_EQ(window->moduleDocuments()[0]->document().bytes(), ddr4);
    ASSERT_EQ(window->documents().size(), 1);
    EXPECT_EQ(window->documents()[0]->document().captionWithoutMark(), "0-0051 (spd)");
    EXPECT_EQ(window->documents()[0]->document().image(), ddr2);

    // An empty tree: the command line's hint, nothing opened.
    QTemporaryDir empty;
    window->setSysfsRoot(empty.path());
    responder.handleDialog([&](QWidget* w) {
        auto* dialog = qobject_cast<InstalledModulesDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (dialog->scanning()) {
            QSignalSpy finished(dialog, &InstalledModulesDialog::scanFinished);
            ASSERT_TRUE(finished.wait(5000));
        }
        EXPECT_FALSE(dialog->scan().found());
        // The long hint wraps: the dialog fits a 1600-pixel screen.
        QApplication::processEvents();
        EXPECT_LE(dialog->minimumSizeHint().width(), 1600);
        EXPECT_LE(dialog->width(), 1600);
        dialog->reject();
    });
    window->readInstalledModules();
    EXPECT_EQ(window->moduleDocuments().size(), 1);
}

TEST_F(LargerImages, CompareOffersTheOpenDocumentsAndChangesNeither)
{
    const QString a = path("a.bin");
    const QString b = path("b.bin");
    Bytes other = Ddr4Image();
    other[24] = 0x70;
    test::WriteAll(a.toStdString(), AsText(Ddr4Image()));
    test::WriteAll(b.toStdString(), AsText(other));
    window->openPath(a);
    window->openPath(b);
    test::ModalResponder responder;
    responder.handleDialog([](QWidget* w) {
        auto* dialog = qobject_cast<CompareSourceDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->accept();  // the two open documents, A and B
    });
    window->action(QStringLiteral("mnuWindowCompare"))->trigger();
    CompareWindow* compare = nullptr;
    for (QMdiSubWindow* sub : window->workspace()->subWindowList())
        if (auto* c = qobject_cast<CompareWindow*>(sub->widget()))
            compare = c;
    ASSERT_NE(compare, nullptr);
    ASSERT_EQ(compare->byteComparison().differences.size(), 1u);
    EXPECT_EQ(compare->byteComparison().differences[0].offset, 24u);
    for (ModuleDocumentWindow* d : window->moduleDocuments())
        EXPECT_FALSE(d->document().isModified());
}

// A DDR4 file opened while the untouched blank start-up window is active
// takes its place; a blank window with the operator's work in it stays.
// Every window carries the program's icon, which a maximised one shows in
// the menu bar.
TEST_F(LargerImages, ALargerImageReplacesTheUntouchedBlankWindow)
{
    test::WriteAll(path("a.bin").toStdString(), AsText(Ddr4Image()));
    test::WriteAll(path("b.bin").toStdString(), AsText(Ddr4Image()));
    window->newDocument();
    window->openPath(path("a.bin"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->documents().isEmpty());
    ASSERT_EQ(window->moduleDocuments().size(), 1);

    DocumentWindow* worked = window->newDocument();
    worked->document().setByte(100, 1);
    worked->document().setModified(true);
    window->openPath(path("b.bin"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->documents().size(), 1);
    EXPECT_EQ(window->moduleDocuments().size(), 2);

    const QList<QSize> sizes = ApplicationIcon().availableSizes();
    ASSERT_FALSE(sizes.isEmpty());
    for (QMdiSubWindow* sub : window->workspace()->subWindowList())
        EXPECT_EQ(sub->windowIcon().availableSizes(), sizes);
}

// Save: the edited marks and the paste note go; a file longer than its image
// says so when it opens and asks before the first Save drops the bytes after it.
TEST_F(LargerImages, SaveClearsMarksAndNotesAndAsksBeforeDroppingBytesAfterTheImage)
{
    std::string bytes(300, '\x11');
    bytes[2] = 0x08;  // DDR2
    test::WriteAll(path("long.bin").toStdString(), bytes);
    window->newDocument();
    window->openPath(path("long.bin"));
    DocumentWindow* doc = window->activeDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("44"))) 
        << window->statusBar()->currentMessage().toStdString();

    const std::vector<std::uint8_t> pasted{0xAA, 0xBB};
    doc->pasteBytes(100, pasted);
    EXPECT_EQ(window->statusBar()->currentMessage(), PastedNote(2, 0));
    EXPECT_EQ(doc->document().mark(100), Mark::Edited);
    doc->typeByte(120, 0x33);
    EXPECT_NE(window->statusBar()->currentMessage(), PastedNote(2, 0)) << "a later edit ends the note";
    doc->pasteBytes(100, pasted);

    test::ModalResponder responder;
    responder.answer(QMessageBox::No);
    window->saveFile();
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_TRUE(responder.messages()[0].text.contains(QStringLiteral("44")));
    EXPECT_EQ(test::ReadAll(path("long.bin").toStdString()), bytes) << "No keeps the file";
    EXPECT_TRUE(doc->document().isModified());

    responder.answer(QMessageBox::Yes);
    window->saveFile();
    EXPECT_EQ(test::ReadAll(path("long.bin").toStdString()).size(), 256u);
    EXPECT_FALSE(doc->document().isModified());
    EXPECT_EQ(doc->document().mark(100), Mark::Plain);
    EXPECT_NE(window->statusBar()->currentMessage(), PastedNote(2, 0));
    doc->typeByte(130, 0x44);
    window->saveFile();
    EXPECT_EQ(responder.messages().size(), 2u) << "asked before the first Save only";
}

// The document window driven the way an operator drives it: clicks on the
// grid and key presses in its boxes, offscreen.
#include "core/checks.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/documentwindow.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/modulesummary.h"
#include "document/settle.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <QUndoStack>

using namespace tessaro;

namespace {

class Window : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.operatorAuthorized = true;
        window = new DocumentWindow(app, QStringLiteral("SPD_File 1"));
        window->open([] { return QDate(2017, 1, 8); });
        window->show();
    }
    void TearDown() override
    {
        window->document().setModified(false);
        delete window;
    }
    void clickCell(int index)
    {
        QTest::mouseClick(window->grid(), Qt::LeftButton, {}, window->grid()->cellRect(index).center());
    }
    void clickHeader(int header)
    {
        QTest::mouseClick(window->grid(), Qt::LeftButton, {}, window->grid()->headerRect(header).center());
    }
    void enter(QLineEdit* box, const QString& text)
    {
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    [[nodiscard]] QString labelText(const char* name) const
    {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    AppValues app;
    DocumentWindow* window = nullptr;
};

}  // namespace

TEST_F(Window, ByteEntryBoxStoresWrapsAndMarksModified)
{
    SpdDocument& doc = window->document();
    clickCell(37);
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte37"));
    enter(window->byteEntryBox(), QStringLiteral("123"));
    EXPECT_EQ(doc.byte(37), 0x23);
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte 38"));
    EXPECT_TRUE(window->byteEntryBox()->text().isEmpty());
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 1*"));
    EXPECT_EQ(doc.mark(37), Mark::Edited);
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image()));

    clickCell(255);
    enter(window->byteEntryBox(), QStringLiteral("ab"));
    EXPECT_EQ(doc.byte(255), 0xAB);
    EXPECT_EQ(window->editor().currentByte(), 0);
    EXPECT_EQ(labelText("byteCaption"), QStringLiteral("Byte 0"));
}

TEST_F(Window, AnyKeyRecomputesAndSetsTheModifiedFlag)
{
    SpdDocument& doc = window->document();
    doc.setByte(5, 0x40);  // as a load would: check byte now stale
    EXPECT_NE(doc.byte(63), Checksum63(doc.image()));
    QTest::keyClick(window->byteEntryBox(), Qt::Key_Right);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image()));
    EXPECT_EQ(doc.mark(63), Mark::Edited);
}

TEST_F(Window, FillBoxWritesFromTheClickedRow)
{
    SpdDocument& doc = window->document();
    enter(window->fillBox(), QStringLiteral("11"));
    EXPECT_EQ(doc.byte(255), 0x11);
    EXPECT_EQ(doc.byte(254), 0x00);
    clickHeader(16 + 0xA);
    EXPECT_EQ(app.fillStart, 0xA0);
    window->fillBox()->clear();
    enter(window->fillBox(), QStringLiteral("FF"));
    EXPECT_EQ(doc.byte(0x9F), 0x00);
    EXPECT_EQ(doc.byte(0xA0), 0xFF);
    EXPECT_EQ(doc.byte(0xFF), 0xFF);
    EXPECT_TRUE(doc.isModified()) << "closing asks to save a fill";
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 1*"));
}

TEST_F(Window, BoxesTakeHexadecimalDigitsOnly)
{
    SpdDocument& doc = window->document();
    clickCell(100);
    doc.setByte(100, 0x5A);
    doc.setModified(false);
    QLineEdit* entry = window->byteEntryBox();
    QTest::keyClicks(entry, QStringLiteral("g z-"));
    EXPECT_TRUE(entry->text().isEmpty());
    EXPECT_FALSE(doc.isModified()) << "a key that is no digit does nothing at all";
    QTest::keyClicks(entry, QStringLiteral("1x2"));
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(doc.byte(100), 0x12) << "a slip no longer stores 00";

    // Pasted text goes through the same check.
    QLineEdit* fill = window->fillBox();
    fill->insert(QStringLiteral("GG"));
    EXPECT_TRUE(fill->text().isEmpty());
    fill->insert(QStringLiteral("c3"));
    EXPECT_EQ(fill->text(), QStringLiteral("c3"));
    QTest::keyClicks(fill, QStringLiteral("h"));
    QTest::keyClick(fill, Qt::Key_Return);
    EXPECT_EQ(doc.byte(255), 0xC3);
}

TEST(WindowWithoutPassword, FillFromRowZeroKeepsTheProtectedBytes)
{
    AppValues app;  // the password was not given
    DocumentWindow window(app, QStringLiteral("SPD_File 1"));
    window.open([] { return QDate(2017, 1, 8); });
    window.show();
    QTest::mouseClick(window.grid(), Qt::LeftButton, {}, window.grid()->headerRect(16).center());
    QTest::keyClicks(window.fillBox(), QStringLiteral("AB"));
    QTest::keyClick(window.fillBox(), Qt::Key_Return);
    const SpdDocument& doc = window.document();
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(doc.byte(i), 0x00) << i;
    EXPECT_EQ(doc.byte(64), 0xAB);
    EXPECT_EQ(doc.byte(255), 0xAB);
    window.document().setModified(false);
}

TEST_F(Window, DateCodeAndSecurityOptions)
{
    SpdDocument& doc = window->document();
    doc.setByte(93, 0x07);
    doc.setByte(127, 0x5A);
    QCheckBox* dateCode = window->dateCodeOption();
    QCheckBox* security = window->securityOption();
    QTest::mouseClick(dateCode, Qt::LeftButton);
    EXPECT_EQ(doc.byte(93), 0x17);
    EXPECT_EQ(doc.byte(94), 0x02) << "8 January 2017 is in week 2";
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("weekText"))->text(), QStringLiteral("2"));
    QTest::mouseClick(dateCode, Qt::LeftButton);
    EXPECT_EQ(doc.byte(93), 0x07);
    EXPECT_EQ(doc.byte(94), 0x00);

    QTest::mouseClick(security, Qt::LeftButton);
    EXPECT_EQ(doc.byte(127), doc.view().securityCode);
    QTest::mouseClick(security, Qt::LeftButton);
    EXPECT_EQ(doc.byte(127), 0x5A);
}

TEST_F(Window, SecurityOptionIsClosedOnDdr3Images)
{
    QCheckBox* security = window->securityOption();
    QTest::mouseClick(security, Qt::LeftButton);
    ASSERT_TRUE(security->isChecked());
    SpdImage image{};
    image[2] = 0x0B;
    window->document().load(image);
    EXPECT_FALSE(security->isEnabled());
    EXPECT_FALSE(security->isChecked()) << "the stamp is given up, the loaded CRC kept";
    EXPECT_TRUE(security->toolTip().contains(QStringLiteral("127")));
    window->document().setByte(2, 0x08);
    EXPECT_TRUE(security->isEnabled());
    EXPECT_TRUE(security->toolTip().isEmpty());
}

TEST_F(Window, DecodedPanelsFollowTheImage)
{
    SpdImage image{};
    image[0] = 0x92;
    image[2] = 0x0B;
    image[3] = 0x03;
    window->document().load(image);
    window->document().decodeAll();  // what the settle timer does two seconds later
    window->refreshNow();
    EXPECT_TRUE(window->panels()->ddr3Shown());
    EXPECT_EQ(window->checkModeButton(CheckMode::Crc)->text(), QStringLiteral("CRC (0-116)"));
    EXPECT_TRUE(window->checkModeButton(CheckMode::Crc)->isChecked());
    EXPECT_EQ(window->programmerPanel()->moduleIoFrame()->title(), QStringLiteral("DDR3-SODIMM I/O"));
    EXPECT_EQ(window->panels()->ddr3Text(Ddr3Field::MemoryType), QStringLiteral("DDR3 SDRAM"));
}

TEST_F(Window, WithoutThePasswordTheFirst64BytesAreClosed)
{
    AppValues locked;
    DocumentWindow w(locked, QStringLiteral("SPD_File 2"));
    w.open();
    w.show();
    EXPECT_TRUE(w.byteEntryBox()->isHidden());
    QTest::mouseClick(w.grid(), Qt::LeftButton, {}, w.grid()->cellRect(64).center());
    EXPECT_FALSE(w.byteEntryBox()->isHidden());
    QTest::mouseClick(w.grid(), Qt::LeftButton, {}, w.grid()->cellRect(10).center());
    EXPECT_TRUE(w.byteEntryBox()->isHidden());
}

TEST_F(Window, ClosePromptKeepsTheImageUnlessTheOperatorLetsItGo)
{
    int saves = 0;
    bool saveWorks = false;
    window->setSaveHandler([&] {
        ++saves;
        return saveWorks;
    });
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->document().setModified(true);

    test::ModalResponder responder;
    responder.answer(QMessageBox::Cancel);
    EXPECT_FALSE(window->close()) << "Cancel keeps the window";
    ASSERT_EQ(responder.messages().size(), 1u);
    EXPECT_EQ(responder.messages()[0].title, QStringLiteral("SPD_File 1*"));
    EXPECT_EQ(responder.messages()[0].text, QStringLiteral(" SPD 檔案已被修改 , 是否儲存該檔案 ?"));

    responder.answer(QMessageBox::Yes);
    EXPECT_FALSE(window->close()) << "a save that did not happen keeps the window";
    EXPECT_EQ(saves, 1);

    saveWorks = true;
    responder.answer(QMessageBox::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(saves, 2);

    window->show();
    responder.answer(QMessageBox::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(saves, 2);
}

TEST_F(Window, ProgrammerButtonsHonourDeviceIdle)
{
    int started = 0;
    QObject::connect(window, &DocumentWindow::deviceCommandRequested, [&](DeviceCommand c) {
        EXPECT_EQ(c, DeviceCommand::ReadModule);
        EXPECT_FALSE(app.deviceIdle);
        ++started;
    });
    auto* button = window->findChild<QAbstractButton*>(QStringLiteral("Command9"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("<= 讀取模組"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(app.deviceIdle);
    app.deviceIdle = false;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(started, 1) << "a click while a command runs does nothing";
    app.deviceIdle = true;

    app.testPassCount = 7;
    window->programmerPanel()->passCountLabel()->setText(QStringLiteral("7"));
    QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("Command10")), Qt::LeftButton);
    EXPECT_EQ(app.testPassCount, 0);
    EXPECT_EQ(window->programmerPanel()->passCountLabel()->text(), QStringLiteral("0"));
}

namespace {

// What a window shows of its decode: both panel pairs as the panels show
// them, which pair is shown, the caption of the CRC button, the module I/O
// title and the summary line.
QStringList ShownDecode(const DecodedPanels& panels, const QString& crcButton, const QString& ioTitle,
                        const QString& summary, const QString& profiles)
{
    QStringList shown{panels.ddr3Shown() ? QStringLiteral("DDR3") : QStringLiteral("legacy"), crcButton, ioTitle, summary,
                      profiles};
    if (panels.ddr3Shown()) {
        for (int f = 0; f < kDdr3FieldCount; ++f)
            shown << panels.ddr3Text(static_cast<Ddr3Field>(f));
        shown << panels.ddr3Manufacturer() << panels.crcCaption() << panels.crcValue();
    } else {
        for (int f = 0; f < kLegacyFieldCount; ++f)
            shown << panels.legacyText(static_cast<LegacyField>(f));
        shown << panels.legacyManufacturer();
    }
    return shown;
}

QStringList ShownDecode(DocumentWindow* window)
{
    window->refreshNow();
    return ShownDecode(*window->panels(), window->checkModeButton(CheckMode::Crc)->text(),
                       window->programmerPanel()->moduleIoFrame()->title(), window->summaryLine()->text(),
                       window->profilesText()->text());
}

// What `tessaro-cli decode` shows for the image: a fresh document, settled.
QStringList DecodeOf(const SpdImage& image)
{
    static std::map<SpdImage, QStringList> known;
    if (const auto it = known.find(image); it != known.end())
        return it->second;
    DecodeContext context;
    SpdDocument document(context);
    OpenAndSettle(document, image);
    DecodedPanels panels;
    panels.showView(document.view());
    return known[image] = ShownDecode(panels, QString::fromStdString(document.view().crcOptionCaption),
                                      QString::fromStdString(document.view().ioPanelTitle),
                                      QString::fromStdString(SummarizeModule(image).line()),
                                      QString::fromStdString(ProfilesListing(OverclockProfiles(image))).trimmed());
}

class WholeLoad : public test::WorkstationTest
{
};

}  // namespace

// Every load of a whole image (a file opened into the blank start-up window;
// a load or a paste of a whole image over any other; the undo and redo of
// those) shows what `decode` shows for the image, whatever was shown before.
TEST_F(WholeLoad, ShowsWhatDecodeShowsWhateverWasShownBefore)
{
    const std::vector<std::string> files = test::CorpusImages();
    if (files.empty())
        GTEST_SKIP() << "no corpus";
    std::vector<SpdImage> images;
    for (const std::string& file : files) {
        DocumentWindow* blank = window->newDocument();
        window->openPath(QString::fromStdString(file));
        ASSERT_EQ(window->activeDocument(), blank) << file;
        images.push_back(blank->document().image());
        EXPECT_EQ(ShownDecode(blank), DecodeOf(images.back())) << file;
        EXPECT_FALSE(blank->document().isModified());
        window->closeActive();
    }

    DocumentWindow* doc = window->newDocument();
    SpdDocument& d = doc->document();
    for (std::size_t before = 0; before < images.size(); ++before) {
        for (std::size_t after = 0; after < images.size(); ++after) {
            {
                // Loads and pastes of whole images take turns.
                const bool paste = (before + after) % 2 == 1;
                SCOPED_TRACE(files[after] + " over " + files[before] + (paste ? " (paste)" : " (load)"));
                doc->recordStep(QStringLiteral("before"), [&] { d.loadWhole(images[before]); });
                const QStringList shownBefore = DecodeOf(d.image());
                if (paste)
                    doc->pasteBytes(0, images[after]);
                else
                    doc->recordStep(QStringLiteral("load"), [&] { d.loadWhole(images[after]); });
                const SpdImage loaded = d.image();
                const QStringList shownAfter = DecodeOf(loaded);
                ASSERT_EQ(ShownDecode(doc), shownAfter);
                if (doc->undoStack()->canUndo() && after != before) {
                    doc->undoStack()->undo();
                    EXPECT_EQ(ShownDecode(doc), shownBefore);
                    doc->undoStack()->redo();
                    EXPECT_EQ(ShownDecode(doc), shownAfter);
                }
            }
        }
    }
}

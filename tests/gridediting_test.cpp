// Editing from the keyboard and the clipboard in both byte grids, and the
// warning about a stored checksum or CRC that disagrees with its bytes
// (offscreen).
#include "core/checks.h"
#include "core/hex.h"
#include "decode/moduledecode.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/gridfind.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tessaro;

namespace {

class GridEditing : public ::testing::Test
{
protected:
    void SetUp() override { openWindow(true); }
    void TearDown() override { closeWindow(); }
    void openWindow(bool authorised)
    {
        app.operatorAuthorized = authorised;
        window = new DocumentWindow(app, QStringLiteral("SPD_File 1"));
        window->open([] { return QDate(2017, 1, 8); });
        window->show();
        messages = std::make_unique<QSignalSpy>(window, &DocumentWindow::statusMessage);
    }
    void closeWindow()
    {
        messages.reset();
        window->document().setModified(false);
        delete window;
    }
    void click(int index, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(window->grid(), Qt::LeftButton, modifiers, window->grid()->cellRect(index).center());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(window->grid(), k, modifiers); }
    void type(const char* text) { QTest::keyClicks(window->grid(), QString::fromLatin1(text)); }
    [[nodiscard]] int current() const { return window->editor().currentByte(); }
    [[nodiscard]] QString lastMessage() const
    {
        return messages->isEmpty() ? QString() : messages->constLast().at(0).toString();
    }
    [[nodiscard]] QString caption() const { return window->findChild<QLabel*>(QStringLiteral("byteCaption"))->text(); }

    AppValues app;
    DocumentWindow* window = nullptr;
    std::unique_ptr<QSignalSpy> messages;
};

}  // namespace

// The keys themselves: the grid's contract (bytegrid_test); here, the window follows them.
TEST_F(GridEditing, NavigationKeysSelectForTheWindow)
{
    click(0x11);
    EXPECT_EQ(window->focusWidget(), window->grid()) << "the grid takes the focus";
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(current(), 0xFF);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_Right);
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(caption(), QStringLiteral("Byte1")) << "the selected-byte panel follows";
}

TEST_F(GridEditing, TwoDigitsStoreAsTheEntryBoxAndEscAbandonsOne)
{
    SpdDocument& doc = window->document();
    click(37);
    type("a");
    EXPECT_EQ(window->grid()->heldDigit(), 0xA);
    EXPECT_EQ(doc.byte(37), 0x00) << "one digit stores nothing";
    type("5");
    EXPECT_EQ(doc.byte(37), 0xA5);
    EXPECT_EQ(doc.mark(37), Mark::Edited);
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image()));
    EXPECT_EQ(current(), 38);
    EXPECT_EQ(caption(), QStringLiteral("Byte 38")) << "as after Enter in the entry box";
    EXPECT_EQ(ShownWindowTitle(window), QStringLiteral("SPD_File 1*"));

    type("1");
    key(Qt::Key_Escape);
    EXPECT_EQ(window->grid()->heldDigit(), -1);
    type("2");
    key(Qt::Key_Right);  // a move abandons the held digit too
    type("3C");
    EXPECT_EQ(doc.byte(38), 0x00);
    EXPECT_EQ(doc.byte(39), 0x3C);
    EXPECT_EQ(current(), 40);

    // The entry box gives the same document for the same byte.
    DocumentWindow twin(app, QStringLiteral("SPD_File 2"));
    twin.open([] { return QDate(2017, 1, 8); });
    QTest::mouseClick(twin.grid(), Qt::LeftButton, {}, twin.grid()->cellRect(37).center());
    QTest::keyClicks(twin.byteEntryBox(), QStringLiteral("A5"));
    QTest::keyClick(twin.byteEntryBox(), Qt::Key_Return);
    EXPECT_EQ(twin.document().byte(37), 0xA5);
    EXPECT_EQ(twin.document().byte(63), Checksum63(twin.document().image()));
    EXPECT_EQ(twin.editor().currentByte(), 38);
    twin.document().setModified(false);
}

TEST_F(GridEditing, TypingBelowByte64WithoutThePasswordIsRefused)
{
    closeWindow();
    openWindow(false);
    SpdDocument& doc = window->document();
    click(10);
    type("77");
    EXPECT_EQ(doc.byte(10), 0x00);
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("password")));
    click(64);
    type("77");
    EXPECT_EQ(doc.byte(64), 0x77);
}

TEST_F(GridEditing, CopyAndPasteRoundTripWithTheCheckModeRule)
{
    SpdDocument& doc = window->document();
    for (int i = 0; i < 20; ++i)
        doc.setByte(0x70 + i, static_cast<std::uint8_t>(0xE0 + i));
    click(0x70);
    click(0x83, Qt::ShiftModifier);
    window->copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("E0 E1 E2 E3 E4 E5 E6 E7 E8 E9 EA EB EC ED EE EF\nF0 F1 F2 F3"));

    click(0x20);
    window->pasteClipboard();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(doc.byte(0x20 + i), 0xE0 + i);
    EXPECT_EQ(doc.mark(0x20), Mark::Edited);
    EXPECT_EQ(doc.byte(63), Checksum63(doc.image())) << "the checksum follows the paste";
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(window->grid()->selectionFirst(), 0x20);
    EXPECT_EQ(window->grid()->selectionLast(), 0x33) << "the pasted bytes stay selected";
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("20 bytes pasted")));

    // Beyond the end: the bytes that fit are written, the rest counted.
    click(0xFC);
    window->pasteClipboard();
    EXPECT_EQ(doc.byte(0xFF), 0xE3);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("4 bytes pasted")));
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("16 bytes beyond the end")));

    // Every hex-dump form the command line reads pastes too; other text does not.
    QApplication::clipboard()->setText(QStringLiteral("00000000  0a 0b 0c                                          |...|\n00000003\n"));
    click(0x90);
    window->pasteClipboard();
    EXPECT_EQ(doc.byte(0x92), 0x0C);
    QApplication::clipboard()->setText(QStringLiteral("hello"));
    const SpdImage before = doc.image();
    window->pasteClipboard();
    EXPECT_EQ(doc.image(), before);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("no hex bytes")));
}

TEST_F(GridEditing, PasteFollowsTheCrcModeAndTheAuthorisation)
{
    SpdDocument& doc = window->document();
    doc.setByte(2, 0x0B);  // DDR3: the CRC in bytes 126-127
    window->checkModeButton(CheckMode::Crc)->click();
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    window->pasteBytes(100, bytes);
    EXPECT_EQ(doc.byte(103), 4);
    EXPECT_EQ(StoredCrc(doc.image()), SpdCrc(doc.image()));

    closeWindow();
    openWindow(false);
    SpdDocument& locked = window->document();
    window->pasteBytes(60, bytes);  // would reach into bytes 60-63
    EXPECT_EQ(locked.byte(60), 0);
    EXPECT_EQ(locked.byte(64), 0) << "refused whole, not in part";
    EXPECT_FALSE(locked.isModified());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("password")));
    window->pasteBytes(64, bytes);
    EXPECT_EQ(locked.byte(67), 4);
}

TEST_F(GridEditing, BadChecksumShowsInTheCheckFrameUntilItAgrees)
{
    SpdDocument& doc = window->document();
    QLabel* state = window->checkStateLabel();
    SpdImage image = test::CountingImage();
    image[2] = 0x08;  // DDR2: the checksum
    image[63] = 0x12;
    doc.load(image);
    window->refreshNow();
    const QString expected = QStringLiteral("Checksum stored 12, computed %1")
                                 .arg(QString::fromStdString(ByteToHex(Checksum63(doc.image()))));
    EXPECT_TRUE(state->isVisibleTo(window));
    EXPECT_EQ(state->text(), expected);
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(200, 0, 0));
    EXPECT_TRUE(window->checkMismatchText().contains(QStringLiteral("byte 63 holds 12")));

    click(70);
    type("00");  // an entry in checksum mode puts byte 63 right
    EXPECT_FALSE(state->isVisibleTo(window));
    EXPECT_TRUE(window->checkMismatchText().isEmpty());
}

// --- The window of 512- and 1024-byte images ---

namespace {

std::vector<std::uint8_t> Ddr4Bytes()
{
    std::vector<std::uint8_t> b(512, 0);
    b[0] = 0x23;
    b[1] = 0x11;
    b[2] = 0x0C;
    b[3] = 0x03;
    FixCrcBlocks(b);
    return b;
}

}  // namespace

TEST(ModuleGridEditing, KeysTypingRangeAndPaste)
{
    ModuleDocumentWindow window(ImageData{Ddr4Bytes(), 512}, QStringLiteral("ddr4"));
    window.show();
    QSignalSpy messages(&window, &ModuleDocumentWindow::statusMessage);
    ByteGrid* grid = window.grid();
    SpdDocument& doc = window.document();
    window.selectByte(0x140);
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(window.currentByte(), 0x1FF);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window.selectedBytes(), std::vector<std::uint8_t>({0x23, 0x11, 0x0C}));

    window.selectByte(0x150);
    QTest::keyClicks(grid, QStringLiteral("b"));
    EXPECT_EQ(grid->heldDigit(), 0xB);
    QTest::keyClick(grid, Qt::Key_Escape);
    QTest::keyClicks(grid, QStringLiteral("7e"));
    EXPECT_EQ(doc.byte(0x150), 0x7E);
    EXPECT_EQ(doc.mark(0x150), Mark::Edited);
    EXPECT_EQ(window.currentByte(), 0x151);
    for (const CrcBlock& block : doc.decode().checks)
        EXPECT_TRUE(block.ok()) << block.key << ": the CRC follows a typed byte";

    window.selectAllBytes();
    window.copySelection();
    const QString text = QApplication::clipboard()->text();
    EXPECT_EQ(text.count(QLatin1Char('\n')), 31) << "16 bytes a line";
    window.selectByte(0x1F0);
    window.pasteClipboard();
    EXPECT_EQ(doc.byte(0x1F0), 0x23);
    EXPECT_TRUE(messages.constLast().at(0).toString().contains(QStringLiteral("496 bytes beyond the end")));
    doc.setModified(false);
}

// --- The main window: the "編輯" menu and the warning when a file opens ---

namespace {

class EditMenu : public test::WorkstationTest
{
protected:
    void TearDown() override
    {
        for (ModuleDocumentWindow* d : window->moduleDocuments())
            d->document().setModified(false);
        WorkstationTest::TearDown();
    }
    void trigger(const char* name) { window->action(QString::fromLatin1(name))->trigger(); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(EditMenu, CopyPasteAndSelectAllActOnTheActiveDocument)
{
    DocumentWindow* doc = window->newDocument();
    doc->document().setByte(0x80, 0x5A);
    trigger("mnuEditSelectAll");
    trigger("mnuEditCopy");
    const QString text = QApplication::clipboard()->text();
    EXPECT_EQ(text.split(QLatin1Char('\n')).size(), 16);
    EXPECT_TRUE(text.split(QLatin1Char('\n')).at(8).startsWith(QStringLiteral("5A ")));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("256 bytes copied")));

    QApplication::clipboard()->setText(QStringLiteral("C3"));
    doc->grid()->setFocus();
    QTest::mouseClick(doc->grid(), Qt::LeftButton, {}, doc->grid()->cellRect(0x90).center());
    trigger("mnuEditPaste");
    EXPECT_EQ(doc->document().byte(0x90), 0xC3);
}

TEST_F(EditMenu, AFileWithABadChecksumSaysSoWhenItOpens)
{
    SpdImage image = test::CountingImage();
    image[2] = 0x08;
    image[63] = 0x12;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("bad.bin"));
    test::WriteAll(file.toStdString(), std::string(image.begin(), image.end()));
    test::ModalResponder responder;
    window->openPath(file);
    for (const test::SeenMessage& m : responder.messages())
        ADD_FAILURE() << m.text.toStdString();
    const QString message = window->statusBar()->currentMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("byte 63 holds 12"))) << message.toStdString();
    ASSERT_NE(window->activeDocument(), nullptr);
    EXPECT_TRUE(window->activeDocument()->checkStateLabel()->isVisibleTo(window->activeDocument()));

    image[63] = Checksum63(image);
    const QString good = QDir(dir.path()).filePath(QStringLiteral("good.bin"));
    test::WriteAll(good.toStdString(), std::string(image.begin(), image.end()));
    window->statusBar()->clearMessage();
    window->openPath(good);
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    EXPECT_FALSE(window->activeDocument()->checkStateLabel()->isVisibleTo(window->activeDocument()));
}

TEST_F(EditMenu, AModuleImageWithABadCrcSaysSoWhenItOpens)
{
    const std::string corpus = test::CorpusDir() + "/ddr4/cb-hatch-16g-3200-4bg-badcrc2.bin";
    if (!std::filesystem::exists(corpus))
        GTEST_SKIP() << "corpus absent";
    window->openPath(QString::fromStdString(corpus));
    ModuleDocumentWindow* doc = window->activeModuleDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("CRC")));
    QLabel* state = doc->checkStateLabel();
    EXPECT_TRUE(state->isVisibleTo(doc));
    EXPECT_TRUE(state->text().contains(QStringLiteral("stored")));
    // Any edit in CRC mode rewrites every block: the warning goes.
    doc->typeByte(0x150, 0x00);
    EXPECT_FALSE(state->isVisibleTo(doc));
}

// --- Find and go to, in the windows of both sizes ---

namespace {

// Two matches of "4D 54" ("MT"), near the start and in the last row; F3 and
// Shift+F3 go round the ends; go to takes hex as the grid shows it.
void CheckFindAndGoTo(QWidget* window, ByteGrid* grid, const std::function<void(int, std::uint8_t)>& setByte)
{
    window->show();
    QSignalSpy messages(window, SIGNAL(statusMessage(QString)));
    const auto last = [&] { return messages.isEmpty() ? QString() : messages.constLast().at(0).toString(); };
    const int size = grid->cells().count();
    const int early = 0x20;
    const int late = size - 16;
    for (const int at : {early, late}) {
        setByte(at, 0x4D);
        setByte(at + 1, 0x54);
    }
    auto* find = window->findChild<GridFind*>();
    ASSERT_NE(find, nullptr);
    const auto selected = [&] { return std::pair{grid->selectionFirst(), grid->selectionLast()}; };

    const auto activate = [&] {  // the keys are the window's shortcuts
        QApplication::setActiveWindow(window);
        grid->setFocus();
        return QTest::qWaitForWindowActive(window);
    };
    ASSERT_TRUE(activate());
    test::ModalResponder responder;
    responder.handleDialog([](QWidget* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("findText"))->setText(QStringLiteral("4d54"));
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::pair(early, early + 1)) << "a match is selected as a range";
    ASSERT_TRUE(activate());
    const struct {
        Qt::KeyboardModifiers modifiers;
        int expected;
        bool wrapped;
    } steps[] = {{{}, late, false}, {{}, early, true}, {Qt::ShiftModifier, late, true}, {Qt::ShiftModifier, early, false}};
    for (const auto& step : steps) {
        QTest::keyClick(grid, Qt::Key_F3, step.modifiers);
        EXPECT_EQ(selected(), std::pair(step.expected, step.expected + 1)) << "F3 " << step.modifiers;
        EXPECT_EQ(last().contains(QStringLiteral("continued")), step.wrapped) << last().toStdString();
        EXPECT_TRUE(grid->isCellVisible(step.expected));
    }
    EXPECT_TRUE(find->find(QStringLiteral("MT"), FindKind::Text));
    EXPECT_EQ(grid->currentByte(), early);
    EXPECT_FALSE(find->find(QStringLiteral("4D 55"), FindKind::Hex));
    EXPECT_TRUE(last().contains(QStringLiteral("Not found")));
    EXPECT_FALSE(find->find(QStringLiteral("4D5"), FindKind::Hex));
    EXPECT_TRUE(last().contains(QStringLiteral("pairs of digits")));
    EXPECT_EQ(grid->currentByte(), early) << "a failed search leaves the selection";

    responder.handleDialog([late](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        input->setTextValue(QStringLiteral("%1h").arg(late, 0, 16));
        input->accept();
    });
    QTest::keyClick(grid, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::pair(late, late));
    EXPECT_FALSE(find->goTo(QString::number(size, 16)));
    EXPECT_TRUE(last().contains(QString::number(size - 1, 16).toUpper())) << "the message names the range";
    EXPECT_EQ(grid->currentByte(), late);
}

}  // namespace

TEST_F(GridEditing, FindAndGoTo)
{
    CheckFindAndGoTo(window, window->grid(), [this](int i, std::uint8_t v) { window->document().setByte(i, v); });
    EXPECT_EQ(caption(), QStringLiteral("Byte%1").arg(0xF0)) << "the selected-byte panel follows";
}

TEST(ModuleGridEditing, FindAndGoTo)
{
    ModuleDocumentWindow window(ImageData{Ddr4Bytes(), 512}, QStringLiteral("ddr4"));
    CheckFindAndGoTo(&window, window.grid(), [&](int i, std::uint8_t v) { window.document().editByte(i, v); });
    window.document().setModified(false);
}

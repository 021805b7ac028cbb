// Undo and redo of every change of the bytes, in the windows of both sizes and
// through the main window's "編輯" menu, offscreen.
#include "app/mainwindow.h"
#include "core/checks.h"
#include "core/hex.h"
#include "decode/moduledecode.h"
#include "device/programmerlink.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "fakeline.h"
#include "files/spdfile.h"
#include "testsupport.h"
#include "uisupport.h"
#include "wizard/wizardcommand.h"
#include "wizard_support.h"
#include "workstationtest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

class Undo : public test::WorkstationTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        WorkstationTest::SetUp();
    }
    void TearDown() override
    {
        for (ModuleDocumentWindow* m : window->moduleDocuments())
            m->document().setModified(false);
        WorkstationTest::TearDown();
    }
    void clickCell(DocumentWindow* doc, int index)
    {
        QTest::mouseClick(doc->grid(), Qt::LeftButton, {}, doc->grid()->cellRect(index).center());
    }
    static void enter(QLineEdit* box, const QString& text)
    {
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void trigger(const char* name) { window->action(QString::fromLatin1(name))->trigger(); }
    bool enabled(const char* name) { return window->action(QString::fromLatin1(name))->isEnabled(); }
    [[nodiscard]] QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

// What a step must put back, compared as a whole.
struct Seen {
    SpdImage image;
    std::array<Mark, kSpdSize> marks;
    std::string crcItem;
    std::string memoryType;
    bool operator==(const Seen&) const = default;
};

Seen SeenIn(DocumentWindow* doc)
{
    Seen seen{doc->document().image(), {}, doc->panels()->crcValue().toStdString(),
              doc->document().view()[LegacyField::MemoryType]};
    for (int i = 0; i < kSpdSize; ++i)
        seen.marks[static_cast<std::size_t>(i)] = doc->document().mark(i);
    return seen;
}

// A 1024-byte image whose CRC is right.
ImageData Ddr5Image()
{
    ImageData image{std::vector<std::uint8_t>(1024, 0), 1024};
    image.bytes[0] = 0x30;
    image.bytes[2] = 0x12;
    image.bytes[3] = 0x02;
    FixCrcBlocks(image.bytes);
    return image;
}

}  // namespace

TEST_F(Undo, EveryEditOfTheByteWindowIsAStepWithBytesMarksChecksAndDecodeRestored)
{
    DocumentWindow* doc = window->newDocument();
    QUndoStack* stack = doc->undoStack();
    ASSERT_TRUE(stack->isClean());

    // Each edit, then undo back to what it was before and redo to what it made.
    const auto roundTrip = [&](const char* what, const std::function<void()>& edit) {
        const Seen before = SeenIn(doc);
        const int count = stack->count();
        edit();
        doc->refreshNow();
        const Seen after = SeenIn(doc);
        ASSERT_EQ(stack->count(), count + 1) << what;
        trigger("mnuEditUndo");
        EXPECT_EQ(SeenIn(doc), before) << what;
        trigger("mnuEditRedo");
        EXPECT_EQ(SeenIn(doc), after) << what;
    };

    roundTrip("byte 2 through the entry box (decode)", [&] {
        clickCell(doc, 2);
        enter(doc->byteEntryBox(), QStringLiteral("07"));
    });
    roundTrip("fill from row F0", [&] {
        QTest::mouseClick(doc->grid(), Qt::LeftButton, {}, doc->grid()->headerRect(31).center());
        enter(doc->fillBox(), QStringLiteral("EE"));
    });
    roundTrip("date code", [&] { doc->dateCodeOption()->click(); });
    EXPECT_TRUE(doc->dateCodeOption()->isChecked());
    trigger("mnuEditUndo");
    EXPECT_FALSE(doc->dateCodeOption()->isChecked()) << "the option follows the stamp";
    EXPECT_EQ(doc->editor().cellText(93), CellText::Normal);
    trigger("mnuEditRedo");
    EXPECT_EQ(doc->editor().cellText(93), CellText::Red);
    roundTrip("security option", [&] { doc->securityOption()->click(); });
    trigger("mnuEditUndo");
    EXPECT_FALSE(doc->securityOption()->isChecked());
    EXPECT_EQ(doc->document().byte(127), 0);
    trigger("mnuEditRedo");

    // In CRC mode the CRC item and bytes 126-127 go back with the edit; the
    // mode the operator chose stays through undo.
    doc->checkModeButton(CheckMode::Crc)->click();
    roundTrip("entry in CRC mode", [&] {
        clickCell(doc, 100);
        enter(doc->byteEntryBox(), QStringLiteral("5A"));
    });
    EXPECT_EQ(doc->document().mark(126), Mark::Edited);
    while (stack->canUndo())
        trigger("mnuEditUndo");
    EXPECT_TRUE(doc->checkModeButton(CheckMode::Crc)->isChecked());
    EXPECT_EQ(doc->document().image(), [] {
        SpdImage blank{};
        blank[kChecksumByte] = Checksum63(blank);
        return blank;
    }());
    EXPECT_FALSE(doc->document().isModified());
}

TEST_F(Undo, ConsecutiveEntriesMergeAndAnythingElseStartsAStep)
{
    DocumentWindow* doc = window->newDocument();
    QUndoStack* stack = doc->undoStack();
    clickCell(doc, 70);
    for (const char* value : {"11", "22", "33"})
        enter(doc->byteEntryBox(), QString::fromLatin1(value));
    EXPECT_EQ(stack->count(), 1) << "bytes 70-72 typed one after the other";
    clickCell(doc, 90);
    enter(doc->byteEntryBox(), QStringLiteral("44"));
    EXPECT_EQ(stack->count(), 2) << "another place";
    enter(doc->fillBox(), QStringLiteral("55"));
    enter(doc->byteEntryBox(), QStringLiteral("66"));
    EXPECT_EQ(stack->count(), 4) << "a fill between entries";

    trigger("mnuEditUndo");
    trigger("mnuEditUndo");
    trigger("mnuEditUndo");
    EXPECT_EQ(doc->document().byte(72), 0x33);
    EXPECT_EQ(doc->document().byte(90), 0);
    trigger("mnuEditUndo");
    for (int i : {70, 71, 72})
        EXPECT_EQ(doc->document().byte(i), 0) << i;
    EXPECT_EQ(doc->editor().currentByte(), 70) << "the selection goes back to where the typing began";
}

TEST_F(Undo, CleanStateFollowsFileAndSaveAndClosingAtCleanAsksNothing)
{
    const SpdImage file = test::CountingImage();
    ASSERT_TRUE(WriteSpdFile(path("a.bin"), file, SpdFormat::Binary, nullptr));

    // A first step that leaves the flag alone, so that the file loads into this window.
    DocumentWindow* doc = window->newDocument();
    doc->securityOption()->click();
    ASSERT_EQ(doc->undoStack()->count(), 1);
    window->openPath(path("a.bin"));
    ASSERT_EQ(window->activeDocument(), doc);
    EXPECT_TRUE(doc->undoStack()->isClean()) << "after a load";
    EXPECT_EQ(doc->undoStack()->count(), 2) << "the load into a window with a history is a step";

    clickCell(doc, 80);
    enter(doc->byteEntryBox(), QStringLiteral("AB"));
    EXPECT_EQ(ShownWindowTitle(doc), path("a.bin") + QLatin1Char('*'));
    trigger("mnuEditUndo");
    EXPECT_EQ(ShownWindowTitle(doc), path("a.bin")) << "back at the file";
    EXPECT_FALSE(doc->document().isModified());
    trigger("mnuEditUndo");
    EXPECT_TRUE(doc->document().isModified()) << "before the load";
    EXPECT_NE(doc->document().image(), file);
    trigger("mnuEditRedo");
    EXPECT_EQ(doc->document().image(), file);
    EXPECT_FALSE(doc->document().isModified());
    trigger("mnuEditRedo");
    EXPECT_TRUE(doc->document().isModified());

    trigger("mnuFileSave");
    EXPECT_TRUE(doc->undoStack()->isClean()) << "after a save";
    trigger("mnuEditUndo");
    EXPECT_TRUE(doc->document().isModified()) << "the file now holds AB";
    trigger("mnuEditRedo");
    EXPECT_FALSE(doc->document().isModified());

    test::ModalResponder responder;
    trigger("mnuEditUndo");
    trigger("mnuEditRedo");
    window->closeAll();
    QTest::qWait(50);
    EXPECT_TRUE(responder.messages().empty());
}

TEST_F(Undo, EditMenuActsOnTheActiveWindow)
{
    QMenu* edit = window->menuBar()->actions().at(1)->menu();
    QStringList entries;
    for (QAction* a : edit->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + QLatin1Char('=') + a->text());
    EXPECT_EQ(entries.mid(0, 3), QStringList({"mnuEditUndo=復原", "mnuEditRedo=重做", "-"}));
    EXPECT_EQ(window->action(QStringLiteral("mnuEditUndo"))->shortcuts(), QKeySequence::keyBindings(QKeySequence::Undo));
    EXPECT_EQ(window->action(QStringLiteral("mnuEditRedo"))->shortcuts(), QKeySequence::keyBindings(QKeySequence::Redo));
    EXPECT_FALSE(enabled("mnuEditUndo"));

    DocumentWindow* first = window->newDocument();
    EXPECT_FALSE(enabled("mnuEditUndo"));
    clickCell(first, 80);
    enter(first->byteEntryBox(), QStringLiteral("12"));
    EXPECT_TRUE(enabled("mnuEditUndo"));
    EXPECT_FALSE(enabled("mnuEditRedo"));
    trigger("mnuEditUndo");
    EXPECT_FALSE(enabled("mnuEditUndo"));
    EXPECT_TRUE(enabled("mnuEditRedo"));

    DocumentWindow* second = window->newDocument();
    EXPECT_FALSE(enabled("mnuEditRedo")) << "the new window has nothing to redo";
    trigger("mnuEditRedo");
    EXPECT_EQ(first->document().byte(80), 0);
    window->workspace()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    EXPECT_TRUE(enabled("mnuEditRedo"));
    trigger("mnuEditRedo");
    EXPECT_EQ(first->document().byte(80), 0x12);
    EXPECT_EQ(second->document().byte(80), 0);

    // The shortcut typed in the entry box right after Enter acts on the document.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    clickCell(first, 90);
    first->byteEntryBox()->setFocus();
    enter(first->byteEntryBox(), QStringLiteral("34"));
    ASSERT_EQ(first->document().byte(90), 0x34);
    QTest::keySequence(first->byteEntryBox(), QKeySequence(QKeySequence::Undo));
    EXPECT_EQ(first->document().byte(90), 0);
    QTest::keySequence(first->byteEntryBox(), QKeySequence(QKeySequence::Redo));
    EXPECT_EQ(first->document().byte(90), 0x34);
}

TEST_F(Undo, WizardResultAndReadFromTheProgrammerAreSteps)
{
    WizardRecord record = test::FinishWizard({});
    DocumentWindow* built = CreateWizardDocument(record, [this] { return window->newDocument(); });
    ASSERT_NE(built, nullptr);
    const SpdImage made = built->document().image();
    EXPECT_EQ(built->document().mark(0), Mark::Generated);
    trigger("mnuEditUndo");
    EXPECT_EQ(built->document().byte(0), 0);
    EXPECT_EQ(built->document().mark(0), Mark::Plain);
    EXPECT_FALSE(built->document().isModified()) << "back to the window as it opened";
    trigger("mnuEditRedo");
    EXPECT_EQ(built->document().image(), made);
    EXPECT_TRUE(built->document().isModified());

    auto fake = std::make_unique<test::FakeLine>();
    test::FakeLine* line = fake.get();
    const SpdImage module = test::CountingImage();
    line->respond = [&](const std::string& w) {
        if (w == CommandFrame("q"))
            return test::StatusReply("11", "A4");
        return w == CommandFrame("k") ? HexString(module) : std::string();
    };
    window->attachProgrammer(std::move(fake));
    test::FakeClock clock;
    window->programmerLink()->setPacingClock(clock.clock());
    DocumentWindow* doc = window->newDocument();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->programmerLink()->statusReplyTimer().isActive(); }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->programmerLink()->statusReplyTimer().isActive() && !window->programmerLink()->handshaking(); }, 3000));
    const SpdImage before = doc->document().image();
    test::ModalResponder responder;
    QTest::mouseClick(doc->findChild<QPushButton*>(QStringLiteral("Command9")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->programmerLink()->busy(); }, 5000));
    ASSERT_EQ(doc->document().image(), module);
    EXPECT_EQ(doc->undoStack()->count(), 1);
    trigger("mnuEditUndo");
    EXPECT_EQ(doc->document().image(), before);
    EXPECT_FALSE(doc->document().isModified());
    trigger("mnuEditRedo");
    EXPECT_EQ(doc->document().image(), module);
    EXPECT_TRUE(doc->document().isModified()) << "the read is an unsaved change";
}

TEST_F(Undo, ModuleWindowEntryFillAndCleanState)
{
    ASSERT_TRUE(WriteImageFile(path("d5.bin"), Ddr5Image().bytes, SpdFormat::Binary, nullptr));
    window->openPath(path("d5.bin"));
    ModuleDocumentWindow* doc = window->activeModuleDocument();
    ASSERT_NE(doc, nullptr);
    QUndoStack* stack = doc->undoStack();
    const std::vector<std::uint8_t> file = doc->document().bytes();
    const QString crcLine = doc->crcLines().at(0)->text();
    EXPECT_TRUE(stack->isClean());

    doc->selectByte(0x140);
    enter(doc->byteEntryBox(), QStringLiteral("41"));
    enter(doc->byteEntryBox(), QStringLiteral("42"));
    EXPECT_EQ(stack->count(), 1) << "bytes 140h and 141h typed one after the other";
    EXPECT_NE(doc->document().bytes()[510], file[510]) << "the CRC follows";
    EXPECT_TRUE(enabled("mnuEditUndo"));
    trigger("mnuEditUndo");
    EXPECT_EQ(doc->document().bytes(), file);
    EXPECT_EQ(doc->document().mark(0x140), Mark::Plain);
    EXPECT_EQ(doc->document().mark(510), Mark::Plain);
    EXPECT_FALSE(doc->document().isModified());
    EXPECT_EQ(doc->currentByte(), 0x140);
    trigger("mnuEditRedo");
    EXPECT_EQ(doc->document().byte(0x141), 0x42);
    EXPECT_TRUE(doc->document().isModified());

    // The mode chosen before a step stays through its undo.
    doc->checkModeButton(CheckMode::None)->click();
    doc->selectByte(0x200);
    enter(doc->fillBox(), QStringLiteral("FF"));
    EXPECT_EQ(stack->count(), 2);
    trigger("mnuEditUndo");
    EXPECT_EQ(doc->document().byte(0x3FF), 0);
    EXPECT_TRUE(doc->checkModeButton(CheckMode::None)->isChecked());
    trigger("mnuEditUndo");
    EXPECT_FALSE(doc->document().isModified());
    doc->refreshNow();
    EXPECT_EQ(doc->crcLines().at(0)->text(), crcLine);
}

// Digits typed on the grid join the typing of the entry box in one step, and
// a paste is one step, in the windows of both sizes.
TEST_F(Undo, GridTypingAndPasteAreStepsLikeTheEntryBox)
{
    DocumentWindow* doc = window->newDocument();
    QUndoStack* stack = doc->undoStack();
    clickCell(doc, 80);
    enter(doc->byteEntryBox(), QStringLiteral("11"));
    doc->grid()->setFocus();
    QTest::keyClicks(doc->grid(), QStringLiteral("2233"));
    EXPECT_EQ(doc->document().byte(82), 0x33);
    EXPECT_EQ(stack->count(), 1) << "bytes 80-82 typed one after the other";
    const std::uint8_t pasted[] = {0xA1, 0xA2, 0xA3, 0xA4};
    doc->pasteBytes(100, pasted);
    EXPECT_EQ(stack->count(), 2);
    trigger("mnuEditUndo");
    EXPECT_EQ(doc->document().byte(100), 0);
    EXPECT_EQ(doc->document().byte(82), 0x33);
    EXPECT_EQ(doc->document().byte(63), Checksum63(doc->document().image())) << "the check byte goes back too";
    trigger("mnuEditUndo");
    for (int i : {80, 81, 82})
        EXPECT_EQ(doc->document().byte(i), 0) << i;
    EXPECT_FALSE(doc->document().isModified());

    ASSERT_TRUE(WriteImageFile(path("d5.bin"), Ddr5Image().bytes, SpdFormat::Binary, nullptr));
    window->openPath(path("d5.bin"));
    ModuleDocumentWindow* larger = window->activeModuleDocument();
    ASSERT_NE(larger, nullptr);
    const std::vector<std::uint8_t> file = larger->document().bytes();
    larger->pasteBytes(0x140, pasted);
    larger->typeByte(0x144, 0x55);
    EXPECT_EQ(larger->undoStack()->count(), 2);
    trigger("mnuEditUndo");
    trigger("mnuEditUndo");
    EXPECT_EQ(larger->document().bytes(), file) << "bytes and CRC blocks as read";
}

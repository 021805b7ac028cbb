// The wizard dialog driven page by page (offscreen), and the wizard command of
// the main window: Cancel creates nothing, Finish a filled document window.
#include "app/mainwindow.h"
#include "core/checks.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/documentwindow.h"
#include "files/settingsstore.h"
#include "uisupport.h"
#include "workstationtest.h"
#include "wizard/wizarddialog.h"
#include "wizard/wizardcommand.h"
#include "wizard_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>

using namespace tessaro;

namespace {

const char* const kFrameNames[] = {"Frame1", "FraSDRFreq", "FraDDRFreq", "FraDDR2Freq", "FraDDR3freq",
                                   "fraDramIC", "fraDramTime", "fraInfo"};

QStringList VisibleFrames(const QWidget* dialog)
{
    QStringList out;
    for (const char* name : kFrameNames) {
        auto* frame = dialog->findChild<QGroupBox*>(QString::fromLatin1(name));
        if (frame == nullptr)
            out << QStringLiteral("missing ") + QString::fromLatin1(name);
        else if (!frame->isHidden())
            out << frame->objectName();
    }
    return out;
}

template <typename T>
T* Child(const QWidget* dialog, const char* name)
{
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Click(const QWidget* dialog, const char* name)
{
    Child<QAbstractButton>(dialog, name)->click();
}

void Select(const QWidget* dialog, const char* list, const char* entry)
{
    auto* box = Child<QComboBox>(dialog, list);
    const int index = box->findText(QString::fromUtf8(entry));
    ASSERT_GE(index, 0) << list << ": " << entry;
    box->setCurrentIndex(index);
}

QStringList Items(const QWidget* dialog, const char* list)
{
    auto* box = Child<QComboBox>(dialog, list);
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QString Current(const QWidget* dialog, const char* list)
{
    return Child<QComboBox>(dialog, list)->currentText();
}

QString Enabled(const QWidget* dialog)
{
    QString out;
    for (const char* name : {"Command1", "Command2", "Command3", "Command4"})
        out += Child<QPushButton>(dialog, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}

}  // namespace

TEST(WizardDialog, PagesFramesButtonsAndListsFromPageToPage)
{
    WizardRecord record;
    record.resetForOpening();
    WizardDialog dialog(record);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SPD 精靈"));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(Child<QPushButton>(&dialog, "Command1")->text(), QStringLiteral("取  消"));
    EXPECT_EQ(Child<QPushButton>(&dialog, "Command2")->text(), QStringLiteral("上一 步"));
    EXPECT_EQ(Child<QPushButton>(&dialog, "Command3")->text(), QStringLiteral("下一步"));
    EXPECT_EQ(Child<QPushButton>(&dialog, "Command4")->text(), QStringLiteral("完  成"));
    EXPECT_EQ(Child<QGroupBox>(&dialog, "fraDramIC")->title(), QStringLiteral("DRAM  Module Parameter"));
    EXPECT_EQ(Child<QGroupBox>(&dialog, "fraInfo")->title(), QStringLiteral("Module Manufacture's Information"));
    EXPECT_EQ(Child<QRadioButton>(&dialog, "optRamTypeDDR22")->text(), QStringLiteral("667 MHz(PC2-5200) "));

    // Page 0: the generation, "SDRAM" selected.
    EXPECT_EQ(VisibleFrames(&dialog), QStringList({"Frame1"}));
    EXPECT_EQ(Enabled(&dialog), QStringLiteral("1010"));
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "optRamType0")->isChecked());

    // DDR3's speed page, back, then DDR2: its first speed is preselected.
    Click(&dialog, "optRamType3");
    Click(&dialog, "Command3");
    EXPECT_EQ(VisibleFrames(&dialog), QStringList({"FraDDR3freq"}));
    EXPECT_EQ(Enabled(&dialog), QStringLiteral("1110"));
    Click(&dialog, "Command2");
    EXPECT_EQ(VisibleFrames(&dialog), QStringList({"Frame1"}));
    Click(&dialog, "optRamType2");
    Click(&dialog, "Command3");
    EXPECT_EQ(VisibleFrames(&dialog), QStringList({"FraDDR2Freq"}));
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "optRamTypeDDR20")->isChecked()) << "400 MHz(PC2-3200)";
    Click(&dialog, "optRamTypeDDR23");

    // Page 2: organisation, with the 800 MHz presets in the timing lists.
    Click(&dialog, "Command3");
    EXPECT_EQ(VisibleFrames(&dialog), QStringList({"fraDramIC"}));
    EXPECT_EQ(Items(&dialog, "CboDataWidth"), QStringList({"x 4", "x 8", "x 16"}));
    EXPECT_EQ(Current(&dialog, "CboDataWidth"), QStringLiteral("x 8"));
    EXPECT_EQ(Items(&dialog, "CboSize"), QStringList({"8 Mb", "16 Mb", "32 Mb", "64 Mb", "128 Mb"}));
    EXPECT_EQ(Current(&dialog, "CboSize"), QStringLiteral("64 Mb"));
    EXPECT_EQ(Current(&dialog, "CboSide"), QStringLiteral("Single Side"));
    EXPECT_EQ(Current(&dialog, "cbotcl") + Current(&dialog, "cbotrp") + Current(&dialog, "cbotrcd") +
                  Current(&dialog, "cbotras"),
              QStringLiteral("5T5T5T15T"));

    // Back to the speed page and to the timing page and again: no list grows.
    for (const char* away : {"Command2", "Command3"}) {
        Click(&dialog, away);
        Click(&dialog, away[7] == '2' ? "Command3" : "Command2");
        EXPECT_EQ(VisibleFrames(&dialog), QStringList({"fraDramIC"}));
        EXPECT_EQ(Items(&dialog, "CboDataWidth"), QStringList({"x 4", "x 8", "x 16"}));
        EXPECT_EQ(Items(&dialog, "CboSide"), QStringList({"Single Side", "Double Side"}));
        EXPECT_EQ(Items(&dialog, "cbotcl"), QStringList({"2T", "3T", "4T", "5T", "6T", "3T 4T 5T", "4T 5T"}));
        EXPECT_EQ(Items(&dialog, "cbotras").size(), 12);
    }

    // A new data width resets size and side.
    Select(&dialog, "CboSize", "128 Mb");
    Select(&dialog, "CboSide", "Double Side");
    Select(&dialog, "CboDataWidth", "x 4");
    EXPECT_EQ(Items(&dialog, "CboSize"), QStringList({"16 Mb", "32 Mb", "64 Mb", "128 Mb"}));
    EXPECT_EQ(Current(&dialog, "CboSize"), QStringLiteral("64 Mb"));
    EXPECT_EQ(Current(&dialog, "CboSide"), QStringLiteral("Single Side"));
    Select(&dialog, "CboSize", "128 Mb");
    Select(&dialog, "CboSide", "Double Side");
    Child<QCheckBox>(&dialog, "Check1")->click();

    // Pages 3 and 4, back and forth: the lists keep exactly DDR2's entries.
    const QStringList ddr2Tcl = {"2T", "3T", "4T", "5T", "6T", "3T 4T 5T", "4T 5T"};
    Click(&dialog, "Command3");
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(VisibleFrames(&dialog), QStringList({"fraDramTime"}));
        EXPECT_EQ(Items(&dialog, "cbotcl"), ddr2Tcl);
        EXPECT_EQ(Items(&dialog, "cbotras").size(), 12);
        EXPECT_EQ(Items(&dialog, "cbotrp"), QStringList({"3T", "4T", "5T", "6T"}));
        Select(&dialog, "cbotcl", "3T 4T 5T");
        Select(&dialog, "cbotras", "18T");
        Click(&dialog, "Command3");
        EXPECT_EQ(VisibleFrames(&dialog), QStringList({"fraInfo"}));
        EXPECT_EQ(Enabled(&dialog), QStringLiteral("1101"));
        EXPECT_EQ(Child<QLineEdit>(&dialog, "Text1")->text(), QString()) << "emptied on every entry";
        Child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("junk"));
        Click(&dialog, "Command2");
    }
    Click(&dialog, "Command3");
    Child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral(" 7F7F9E "));
    Child<QLineEdit>(&dialog, "Text2")->setText(QStringLiteral("  DDR2 800 2GB "));
    Click(&dialog, "Command4");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(record.wizardFinished);
    const WizardParams& p = record.params;
    EXPECT_EQ(std::tie(p.memoryKind, p.speedCode, p.widthChoice, p.sizeChoice, p.rankCount, p.eccChoice),
              std::make_tuple(3, 12, 0, 4, 2, 2));
    EXPECT_EQ(std::tie(p.casChoice, p.trasClocks, p.rowBits, p.columnBits, p.rankDensityCode),
              std::make_tuple(5, 18, 13, 12, 1));
    EXPECT_EQ(record.jedecIdText, "7F7F9E");
    EXPECT_EQ(record.partNumberText, "DDR2 800 2GB");
}

namespace {

class WizardCommand : public test::WorkstationTest
{
protected:
    void SetUp() override
    {
        WorkstationTest::SetUp();
        window->newDocument();
    }
    void runFromToolBar()
    {
        for (QAction* a : window->findChild<QToolBar*>(QStringLiteral("tbToolbar"))->actions())
            if (a->objectName() == QLatin1String("WIZARD"))
                a->trigger();
    }
};

}  // namespace

TEST_F(WizardCommand, CancelOnAnyPageCreatesNothing)
{
    DocumentWindow* before = window->activeDocument();
    before->document().setByte(5, 0x42);
    const SpdImage image = before->document().image();
    for (int page = 0; page <= 4; ++page) {
        test::ModalResponder responder;
        int pageSeen = -1;
        responder.handleDialog([page, &pageSeen](QWidget* dialog) {
            Click(dialog, "optRamType3");
            for (int i = 0; i < page; ++i)
                Click(dialog, "Command3");
            pageSeen = qobject_cast<WizardDialog*>(dialog)->pages().pageIndex();
            Click(dialog, "Command1");
        });
        if (page % 2)
            runFromToolBar();
        else
            window->action(QStringLiteral("mnuFileWizard"))->trigger();
        EXPECT_EQ(responder.dialogsSeen(), 1);
        EXPECT_EQ(pageSeen, page);
        EXPECT_EQ(window->documents().size(), 1) << "page " << page;
        EXPECT_EQ(window->activeDocument(), before);
        EXPECT_EQ(before->document().image(), image);
        EXPECT_FALSE(ApplicationWizardRecord().wizardFinished);
    }
}

TEST_F(WizardCommand, FinishFillsANewDocumentWindow)
{
    struct Run {
        bool toolBar;
        int generation;
        const char* speed;
    };
    for (const Run& run : {Run{false, 0, "optRamTypeSDR2"}, Run{true, 3, "optRamTypeDDR32"}}) {
        test::ModalResponder responder;
        responder.handleDialog([&run](QWidget* dialog) {
            Click(dialog, QStringLiteral("optRamType%1").arg(run.generation).toLatin1().constData());
            Click(dialog, "Command3");
            Click(dialog, run.speed);
            Click(dialog, "Command3");
            Click(dialog, "Command3");
            Click(dialog, "Command3");
            Child<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("7F2C"));
            Child<QLineEdit>(dialog, "Text2")->setText(QStringLiteral("PN-1"));
            Click(dialog, "Command4");
        });
        const int before = static_cast<int>(window->documents().size());
        if (run.toolBar)
            runFromToolBar();
        else
            window->action(QStringLiteral("mnuFileWizard"))->trigger();
        ASSERT_EQ(window->documents().size(), before + 1);
        DocumentWindow* doc = window->activeDocument();
        ASSERT_EQ(doc, window->documents().last()) << "the new window is the active one";
        const SpdDocument& d = doc->document();

        test::WizardChoices c;
        c.generation = run.generation;
        c.speed = 2;
        c.jedec = "7F2C";
        c.part = "PN-1";
        EXPECT_EQ(d.image(), test::Build(c)->document.image());
        EXPECT_TRUE(d.isModified());
        EXPECT_TRUE(ShownWindowTitle(doc).endsWith(QLatin1Char('*'))) << ShownWindowTitle(doc).toStdString();
        DecodedPanels* panels = doc->panels();
        if (run.generation == 3) {
            EXPECT_EQ(d.memoryTypeCode(), MemoryTypeCode::Ddr3);
            EXPECT_TRUE(doc->checkModeButton(CheckMode::Crc)->isChecked());
            EXPECT_EQ(doc->checkModeButton(CheckMode::Crc)->text(), QStringLiteral("CRC (0-116)"));
            EXPECT_EQ(d.mark(125), Mark::Generated);
            EXPECT_EQ(d.mark(127), Mark::Edited);
            EXPECT_EQ(d.mark(128), Mark::Plain);
            EXPECT_TRUE(panels->ddr3Shown());
            EXPECT_EQ(panels->ddr3Text(Ddr3Field::ModuleSpeed), QStringLiteral("1333 MHz(1.5ns)"));
            EXPECT_EQ(panels->ddr3Text(Ddr3Field::Tras), QStringLiteral("31.5 ns (21T)"));
            EXPECT_TRUE(panels->ddr3Text(Ddr3Field::PartNumber).startsWith(QStringLiteral("PN-1")));
        } else {
            EXPECT_EQ(d.memoryTypeCode(), MemoryTypeCode::Sdr);
            EXPECT_TRUE(doc->checkModeButton(CheckMode::Checksum)->isChecked());
            EXPECT_EQ(d.mark(63), Mark::Generated);
            EXPECT_EQ(d.mark(64), Mark::Plain);
            EXPECT_FALSE(panels->ddr3Shown());
            EXPECT_EQ(panels->legacyText(LegacyField::DramClock), QStringLiteral("133 MHz(PC-133)"));
            EXPECT_EQ(panels->legacyText(LegacyField::ClSupport), QStringLiteral(" 3T "));
            EXPECT_EQ(panels->legacyText(LegacyField::JedecId), QStringLiteral("7F2C000000000000"));
        }
        EXPECT_EQ(d.mark(0), Mark::Generated);
        EXPECT_TRUE(responder.messages().empty());
    }
}

// The SPD reader/writer's frame in the document windows, against
// tessaro-spdrw-sim on a pseudo-terminal: reading, writing with its
// confirmation, verifying, protection, refusals and a failed write, and the
// production log's backup opened as a document.
#include "app/logwindow.h"
#include "app/readerwriterframe.h"
#include "documentwindow/moduledocumentwindow.h"
#include "simprocess.h"
#include "spdrwimages.h"
#include "testsupport.h"
#include "workstationtest.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>

using namespace tessaro;

namespace {

using Bytes = std::vector<std::uint8_t>;

class SpdrwWindows : public test::WorkstationTest
{
protected:
    void startSim(const QStringList& modules)
    {
        QDir(dir.path()).mkpath(QStringLiteral("saved"));
        QStringList args = modules;
        args << QStringLiteral("--fast") << QStringLiteral("--save") << dir.filePath(QStringLiteral("saved"));
        sim = std::make_unique<test::SimProcess>();
        ASSERT_TRUE(sim->start(args));
        settings->writePortKind(2, PortKind::ReaderWriter);
        settings->writePortDevice(2, sim->device());
        window->configureReaderWriter();
        ASSERT_TRUE(window->readerWriter().waitIdle(10000));
    }
    QString file(const char* name, const Bytes& bytes)
    {
        const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".bin"));
        test::WriteAll(path.toStdString(), std::string(bytes.begin(), bytes.end()));
        return path;
    }
    // The module's image once the simulator has ended.
    Bytes moduleAfter()
    {
        sim->stop();
        const std::string saved = test::ReadAll(dir.filePath(QStringLiteral("saved/0x50.bin")).toStdString());
        return {saved.begin(), saved.end()};
    }
    static ReaderWriterFrame* frameOf(QWidget* w) { return w->findChild<ReaderWriterFrame*>(); }
    static Bytes bytesOf(QWidget* w)
    {
        if (auto* spd = qobject_cast<DocumentWindow*>(w))
            return {spd->document().image().begin(), spd->document().image().end()};
        return qobject_cast<ModuleDocumentWindow*>(w)->document().bytes();
    }
    // Presses a button of the frame and waits for the operation (and any that
    // its answers start) to end.
    void press(ReaderWriterFrame* frame, const char* button)
    {
        auto* b = frame->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_TRUE(b && b->isEnabled()) << button;
        b->click();
        ASSERT_TRUE(window->readerWriter().waitIdle(20000));
    }
    QString lastText(const test::ModalResponder& modal) const
    {
        return modal.messages().empty() ? QString() : modal.messages().back().text;
    }

    QTemporaryDir dir;
    std::unique_ptr<test::SimProcess> sim;
};

}  // namespace

// Every generation: read into a new window, a write refused at its
// confirmation and one accepted, and verify before and after.
TEST_F(SpdrwWindows, ReadWriteAndVerifyEveryGeneration)
{
    struct Generation {
        int size;
        std::uint8_t byte2;
        const char* name;
    };
    for (const Generation g : {Generation{256, 0x0B, "DDR3"}, Generation{512, 0x0C, "DDR4"},
                               Generation{1024, 0x12, "DDR5"}}) {
        SCOPED_TRACE(g.name);
        const Bytes a = test::MakeModuleImage(g.size, g.byte2, 1);
        const Bytes b = test::MakeModuleImage(g.size, g.byte2, 2);
        startSim({QStringLiteral("--module"), QStringLiteral("0x50=") + file("a", a)});
        DocumentWindow* blank = window->newDocument();
        ReaderWriterFrame* frame = frameOf(blank);
        ASSERT_TRUE(frame && frame->isVisible());
        ASSERT_EQ(frame->moduleList()->topLevelItemCount(), 1);
        EXPECT_EQ(frame->moduleList()->topLevelItem(0)->text(1), QString::fromLatin1(g.name));

        press(frame, "spdrwRead");
        const QList<QWidget*> windows = window->documentManager().windows();
        EXPECT_EQ(bytesOf(windows.back()), a);

        QWidget* doc = window->documentManager().openUntitledImage(b);
        ReaderWriterFrame* docFrame = frameOf(doc);
        ASSERT_TRUE(docFrame);
        docFrame->selectAddress(0x50);
        {
            test::ModalResponder modal;
            modal.answer(QMessageBox::No);
            press(docFrame, "spdrwWrite");
            ASSERT_EQ(modal.messages().size(), 1u);
            const QString question = lastText(modal);
            EXPECT_TRUE(question.contains(QLatin1String("0x50")) && question.contains(QLatin1String(g.name)) &&
                        question.contains(QStringLiteral(" of its %1 pages").arg(g.size / 16)))
                << question.toStdString();
            modal.answer(QMessageBox::Ok);
            press(docFrame, "spdrwVerify");
            EXPECT_TRUE(lastText(modal).contains(QLatin1String("differs from the document"))) << lastText(modal).toStdString();
        }
        {
            test::ModalResponder modal;
            modal.answer(QMessageBox::Yes);
            press(docFrame, "spdrwWrite");
            EXPECT_TRUE(window->statusBar()->currentMessage().contains(QLatin1String("verified")))
                << window->statusBar()->currentMessage().toStdString();
            modal.answer(QMessageBox::Ok);
            press(docFrame, "spdrwVerify");
            EXPECT_TRUE(lastText(modal).contains(QLatin1String("holds exactly this document"))) << lastText(modal).toStdString();
        }
        EXPECT_EQ(bytesOf(doc), b);
        EXPECT_EQ(moduleAfter(), b);
        for (QWidget* w : window->documentManager().windows())
            if (auto* m = qobject_cast<ModuleDocumentWindow*>(w))
                m->document().setModified(false);
    }
}

// Protection set and cleared on a DDR4 module whose blocks 0 and 1 start
// protected, the refusals of the write rules and a failed write: one message
// each, the document unchanged, and the failed write's backup opened from the
// production log.
TEST_F(SpdrwWindows, ProtectionRefusalsAndAFailedWrite)
{
    const Bytes a = test::MakeModuleImage(512, 0x0C, 1);
    Bytes b = test::MakeModuleImage(512, 0x0C, 2);
    startSim({QStringLiteral("--module"), QStringLiteral("0x50=") + file("a", a), QStringLiteral("--protect"),
              QStringLiteral("0x50=0,1"), QStringLiteral("--fail"), QStringLiteral("nack-page=20")});
    QWidget* doc = window->documentManager().openUntitledImage(b);
    ReaderWriterFrame* frame = frameOf(doc);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->moduleList()->topLevelItemCount(), 1);
    const auto marks = [&] { return frame->moduleList()->topLevelItem(0)->text(3); };
    EXPECT_EQ(marks(), QStringLiteral("■■□□  0 1"));

    test::ModalResponder modal;
    // Protected blocks refuse the write before any byte, and before its confirmation.
    modal.answer(QMessageBox::Ok);
    press(frame, "spdrwWrite");
    ASSERT_EQ(modal.messages().size(), 1u);
    EXPECT_TRUE(lastText(modal).contains(QLatin1String("refused; nothing was written")) &&
                lastText(modal).contains(QLatin1String("protected blocks 0-1")))
        << lastText(modal).toStdString();

    // Block 2 protected through the dialog, then all cleared.
    modal.handleDialog([](QWidget* dialog) {
        dialog->findChild<QCheckBox*>(QStringLiteral("spdrwBlock2"))->setChecked(true);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    press(frame, "spdrwProtectSet");
    EXPECT_EQ(marks(), QStringLiteral("■■■□  0 1 2"));
    press(frame, "spdrwProtectClear");
    EXPECT_EQ(marks(), QStringLiteral("□□□□  -"));

    // Wrong check bytes: refused, and not forced when the operator says no.
    Bytes badCrc = b;
    badCrc[126] ^= 0xFF;
    QWidget* bad = window->documentManager().openUntitledImage(badCrc);
    modal.clear();
    modal.answer(QMessageBox::No);
    press(frameOf(bad), "spdrwWrite");
    ASSERT_EQ(modal.messages().size(), 1u);
    EXPECT_TRUE(lastText(modal).contains(QLatin1String("check bytes are wrong"))) << lastText(modal).toStdString();

    // A 256-byte document on a 512-byte module: refused by size.
    DocumentWindow* small = window->newDocument();
    modal.clear();
    modal.answer(QMessageBox::Ok);
    press(frameOf(small), "spdrwWrite");
    EXPECT_TRUE(lastText(modal).contains(QLatin1String("holds 256 bytes"))) << lastText(modal).toStdString();

    // The module refuses page 20: the failure names it and how to put the backup back.
    modal.clear();
    modal.answer(QMessageBox::Yes);
    modal.answer(QMessageBox::Ok);
    press(frame, "spdrwWrite");
    const QString failure = lastText(modal);
    EXPECT_TRUE(failure.contains(QLatin1String("failed")) && failure.contains(QLatin1String("page 20")) &&
                failure.contains(QLatin1String("spdrw backup")))
        << failure.toStdString();
    EXPECT_EQ(bytesOf(doc), b);

    LogWindow* log = window->showProductionLog();
    ASSERT_TRUE(log);
    const QAbstractItemModel* rows = log->table()->model();
    const QModelIndexList backups = rows->match(rows->index(0, 3), Qt::DisplayRole, QStringLiteral("spdrw backup"));
    ASSERT_FALSE(backups.isEmpty());
    log->table()->setCurrentIndex(backups.front());
    QString error;
    ASSERT_TRUE(log->openCurrentImage(&error)) << error.toStdString();
    EXPECT_EQ(bytesOf(window->documentManager().windows().back()), a);
    for (QWidget* w : window->documentManager().windows())
        if (auto* m = qobject_cast<ModuleDocumentWindow*>(w))
            m->document().setModified(false);
}

// Without a reader/writer the frame takes no room; a DDR5 hub outside
// offline mode keeps its protection and says why.
TEST_F(SpdrwWindows, HiddenUnlessConfiguredAndDdr5ClearOutsideOfflineMode)
{
    DocumentWindow* blank = window->newDocument();
    ASSERT_TRUE(frameOf(blank));
    EXPECT_FALSE(frameOf(blank)->isVisible());

    startSim({QStringLiteral("--module"), QStringLiteral("0x50=") + file("a", test::MakeModuleImage(1024, 0x12, 1)),
              QStringLiteral("--protect"), QStringLiteral("0x50=3")});
    EXPECT_TRUE(frameOf(blank)->isVisible());
    test::ModalResponder modal;
    modal.answer(QMessageBox::Ok);
    press(frameOf(blank), "spdrwProtectClear");
    EXPECT_TRUE(lastText(modal).contains(QLatin1String("offline mode"))) << lastText(modal).toStdString();
    EXPECT_EQ(frameOf(blank)->moduleList()->topLevelItem(0)->text(3), QStringLiteral("□□□■□□□□□□□□□□□□  3"));
}

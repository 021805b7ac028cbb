// The production log from the windows: a session against the programmer
// simulator goes into the log beside the settings, and the log window lists,
// filters, opens and exports it (offscreen).
#include "app/logwindow.h"
#include "app/mainwindow.h"
#include "device/programmerlink.h"
#include "device/serialline.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/programmerpanel.h"
#include "files/spdfile.h"
#include "log/productionlog.h"
#include "simprocess.h"
#include "testsupport.h"
#include "uisupport.h"
#include "workstationtest.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <pwd.h>
#include <unistd.h>

using namespace tessaro;

namespace {

class LogWindowSim : public test::WorkstationTest
{
protected:
    void press(DocumentWindow* doc, const char* button)
    {
        auto* b = doc->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
        ProgrammerLink& link = *window->programmerLink();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !link.busy(); }, 30000));  // the command and its messages
    }

    QTemporaryDir dir;
    test::SimProcess sim;
    test::ModalResponder responder;
};

}  // namespace

TEST_F(LogWindowSim, SessionIsLoggedListedFilteredOpenedAndExported)
{
    SpdImage module = test::CountingImage();
    module[2] = 0x08;
    const QString moduleFile = QDir(dir.path()).filePath(QStringLiteral("module.bin"));
    QString error;
    ASSERT_TRUE(WriteSpdFile(moduleFile, module, SpdFormat::Binary, &error));
    ASSERT_TRUE(sim.start({"--fast", "--module", moduleFile, "--fail", "open", "--fail-pins", "3,17"}));
    const QString device = sim.device();
    window->attachProgrammer(std::make_unique<QtSerialLine>([device](int) { return device; }));
    ProgrammerLink& link = *window->programmerLink();
    link.openPort();
    link.pollTimer().start();
    ASSERT_NE(window->productionLog(), nullptr);
    EXPECT_EQ(QFileInfo(window->productionLog()->location().path).dir(), QFileInfo(settingsPath).dir());

    DocumentWindow* doc = window->newDocument();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.statusReplyTimer().isActive(); }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link.statusReplyTimer().isActive() && !link.handshaking(); }, 4000));
    SpdImage image = test::CountingImage();
    image[2] = 0x07;
    doc->document().load(image);
    press(doc, "Command1");  // download and check
    press(doc, "Command8");  // module test; its record comes with the polling
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->programmerPanel()->resultLabel()->text() == QStringLiteral("OPEN FAIL"); }, 8000));
    press(doc, "Command9");  // read module
    auto* status = window->statusBar()->findChild<QLabel*>(QStringLiteral("lblLogStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isHidden());  // nothing waits

    window->action(QStringLiteral("mnuWindowLog"))->trigger();
    LogWindow* log = window->findChild<LogWindow*>();
    ASSERT_NE(log, nullptr);
    std::vector<LogRecord> rows = log->shownRecords();
    ASSERT_EQ(rows.size(), 4u);
    // Newest first.
    EXPECT_EQ(rows[0].operation, QStringLiteral("read module"));
    EXPECT_EQ(rows[1].operation, QStringLiteral("test record"));
    EXPECT_EQ(rows[1].failPins, QStringLiteral("3 17"));
    EXPECT_EQ(rows[2].operation, QStringLiteral("tester test"));
    EXPECT_EQ(rows[3].operation, QStringLiteral("download"));
    EXPECT_EQ(rows[3].result, QStringLiteral("ok"));
    EXPECT_EQ(rows[3].operatorName, QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name));

    log->result()->setCurrentIndex(2);  // failures
    rows = log->shownRecords();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].testResult, QStringLiteral("OPEN FAIL"));
    if (const QByteArray shot = qgetenv("TESSARO_LOG_WINDOW_SHOT"); !shot.isEmpty()) {
        window->resize(1280, 640);
        log->parentWidget()->showMaximized();
        QTest::qWait(200);
        window->grab().save(QString::fromLocal8Bit(shot));
    }
    log->result()->setCurrentIndex(0);
    log->text()->setText(QStringLiteral("read mod"));
    ASSERT_EQ(log->shownRecords().size(), 1u);

    // The read image opens as a new untitled document.
    log->table()->setCurrentIndex(log->table()->model()->index(0, 0));
    const auto before = window->documents().size();
    ASSERT_TRUE(log->openCurrentImage(&error)) << error.toStdString();
    ASSERT_EQ(window->documents().size(), before + 1);
    EXPECT_EQ(window->documents().back()->document().image(), module);
    EXPECT_TRUE(window->documents().back()->document().isModified());

    log->text()->clear();
    const QString csv = QDir(dir.path()).filePath(QStringLiteral("log.csv"));
    ASSERT_TRUE(log->exportCsv(csv, &error)) << error.toStdString();
    const QStringList lines = QString::fromStdString(test::ReadAll(csv.toStdString())).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 5);
}

TEST(LogWindow, ShowsLocalTimeTheOperatorBesideTheStationAndWhereAReadWent)
{
    QTemporaryDir dir;
    LogLocation location;
    location.path = QDir(dir.path()).filePath(QStringLiteral("log.sqlite"));
    {
        ProductionLog log(location);
        ASSERT_TRUE(log.open());
        LogRecord record;
        record.timeUtc = QStringLiteral("2026-12-10T23:41:38.123Z");
        record.station = QStringLiteral("line-3");
        record.operatorName = QStringLiteral("ana (Ana Lin)");
        record.port = QStringLiteral("port 1");
        record.document = QStringLiteral("/home/op/a.spd");
        record.ok = true;
        record.result = QStringLiteral("ok");
        for (const char* operation : {"download", "read module"}) {
            record.operation = QString::fromLatin1(operation);
            log.append(record);
        }
    }
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Taipei");
    ::tzset();
    LogWindow window(location, [](const QByteArray&, const LogRecord&) {});
    const QAbstractItemModel* model = window.table()->model();
    QStringList headers;
    for (int c = 0; c < 3; ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"時間", "工作站", "操作員"}));
    QStringList times;
    QStringList documents;
    for (int row = 0; row < model->rowCount(); ++row) {
        times << model->index(row, 0).data().toString();
        documents << model->index(row, 6).data().toString() + u'|' + model->index(row, 3).data().toString();
    }
    EXPECT_EQ(times, QStringList({"2026-12-11 07:41:38", "2026-12-11 07:41:38"})) << "UTC+8, stored in UTC";
    EXPECT_EQ(model->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("2026-12-10T23:41:38.123Z"));
    EXPECT_TRUE(documents.contains(QStringLiteral("read into /home/op/a.spd|read module")));
    EXPECT_TRUE(documents.contains(QStringLiteral("/home/op/a.spd|download")));
    EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("ana (Ana Lin)"));
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    ::tzset();
}

#include "app/portsettingsdialog.h"
#include "device/serialline.h"
#include "files/settingsstore.h"
#include "uisupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace tessaro;

namespace {

struct Options {
    QString path = test::TemporarySettingsPath();
    SettingsStore store{path};
    std::uint8_t commPort = 1;
    std::uint8_t inputMode = 0;
    std::vector<int> portsSet;

    // Opens the dialog modally and clicks the named controls in turn.
    int run(std::vector<QString> clicks)
    {
        test::ModalResponder responder;
        responder.handleDialog([&clicks](QWidget* dialog) {
            for (const QString& name : clicks) {
                auto* button = dialog->findChild<QAbstractButton*>(name);
                if (button == nullptr) {  // fail rather than wait for ever
                    ADD_FAILURE() << "no control " << name.toStdString();
                    QMetaObject::invokeMethod(dialog, "reject");
                    return;
                }
                QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
            }
        });
        PortSettingsDialog dialog(commPort, inputMode, store, [this](int port) { portsSet.push_back(port); });
        return dialog.exec();
    }
    QString storedPort()
    {
        store.sync();
        return QSettings(path, QSettings::IniFormat).value("Settings/CommPort").toString();
    }
};

}  // namespace

TEST(PortSettingsDialog, OkSetsTheChosenValuesAndStoresThePort)
{
    Options o;
    EXPECT_EQ(o.run({"optCom2", "OptNum1", "cmdOK"}), QDialog::Accepted);
    EXPECT_EQ(o.commPort, 2);
    EXPECT_EQ(o.inputMode, 1);
    EXPECT_EQ(o.portsSet, std::vector<int>{2});
    EXPECT_EQ(o.storedPort(), "2");

    // Opened again it starts from these values: "Hex Mode" stays chosen.
    EXPECT_EQ(o.run({"optCom4", "optCom3", "cmdOK"}), QDialog::Accepted);
    EXPECT_EQ(o.commPort, 3);
    EXPECT_EQ(o.inputMode, 1);
    EXPECT_EQ(o.storedPort(), "3");
}

TEST(PortSettingsDialog, CancelAfterChangingTheSelectionsChangesNothing)
{
    Options o;
    o.commPort = 3;
    o.inputMode = 1;
    EXPECT_EQ(o.run({"optCom1", "OptNum0", "cmdCancel"}), QDialog::Rejected);
    EXPECT_EQ(o.commPort, 3);
    EXPECT_EQ(o.inputMode, 1);
    EXPECT_TRUE(o.portsSet.empty());
    EXPECT_EQ(o.storedPort(), "");

    o.commPort = 0;
    PortSettingsDialog dialog(o.commPort, o.inputMode, o.store, {});
    EXPECT_EQ(o.commPort, 1);
    EXPECT_TRUE(dialog.findChild<QAbstractButton*>("optCom1")->isChecked());
    EXPECT_TRUE(dialog.findChild<QAbstractButton*>("OptNum1")->isChecked());
}

TEST(PortSettingsDialog, ShowsTheDeviceOfEachPortNumber)
{
    Options o;
    {
        QSettings direct(o.path, QSettings::IniFormat);
        direct.setValue("Settings/Com2Device", "/dev/ttyUSB0");
    }
    o.store.sync();
    PortSettingsDialog dialog(o.commPort, o.inputMode, o.store, {});
    dialog.setPortDevices([&o](int port) { return PortDeviceName(port, [&o](int n) { return o.store.readPortDevice(n); }); });
    auto device = [&dialog](int port) {
        return dialog.findChild<QLabel*>(QStringLiteral("portDevice%1").arg(port))->text();
    };
#ifdef Q_OS_WIN
    EXPECT_EQ(device(1), QStringLiteral("COM1"));
#else
    EXPECT_EQ(device(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(device(2), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(device(4), QStringLiteral("/dev/ttyS3"));
#endif
    // Reading the device names writes nothing back.
    o.store.sync();
    EXPECT_FALSE(QSettings(o.path, QSettings::IniFormat).contains("Settings/Com1Device"));
}

#include "app/portsettingsdialog.h"
#include "device/serialline.h"
#include "files/settingsstore.h"
#include "uisupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tessaro;

namespace {

struct Options {
    QString path = test::TemporarySettingsPath();
    SettingsStore store{path};
    std::uint8_t commPort = 1;
    NumberInputMode inputMode = NumberInputMode::Decimal;
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
    EXPECT_EQ(o.inputMode, NumberInputMode::Hexadecimal);
    EXPECT_EQ(o.portsSet, std::vector<int>{2});
    EXPECT_EQ(o.storedPort(), "2");

    // Opened again it starts from these values: "Hex Mode" stays chosen.
    EXPECT_EQ(o.run({"optCom4", "optCom3", "cmdOK"}), QDialog::Accepted);
    EXPECT_EQ(o.commPort, 3);
    EXPECT_EQ(o.inputMode, NumberInputMode::Hexadecimal);
    EXPECT_EQ(o.storedPort(), "3");
}

TEST(PortSettingsDialog, CancelAfterChangingTheSelectionsChangesNothing)
{
    Options o;
    o.commPort = 3;
    o.inputMode = NumberInputMode::Hexadecimal;
    EXPECT_EQ(o.run({"optCom1", "OptNum0", "cmdCancel"}), QDialog::Rejected);
    EXPECT_EQ(o.commPort, 3);
    EXPECT_EQ(o.inputMode, NumberInputMode::Hexadecimal);
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
        return dialog.findChild<QComboBox*>(QStringLiteral("portDevice%1").arg(port))->currentText();
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

TEST(PortSettingsDialog, DeviceOfEachNumberIsChosenFromThePortsPresentOrTyped)
{
    Options o;
    {
        QSettings direct(o.path, QSettings::IniFormat);
        direct.setValue("Settings/Com2Device", "/dev/ttyUSB0");
    }
    o.store.sync();
    const auto deviceOf = [&o](int port) { return PortDeviceName(port, [&o](int n) { return o.store.readPortDevice(n); }); };
    test::ModalResponder responder;
    responder.handleDialog([](QWidget* dialog) {
        auto box = [dialog](int port) { return dialog->findChild<QComboBox*>(QStringLiteral("portDevice%1").arg(port)); };
        ASSERT_EQ(box(3)->count(), 2);
        EXPECT_EQ(box(3)->itemText(0), QStringLiteral("/dev/ttyUSB0  (FT232R USB UART)"));
        EXPECT_EQ(box(3)->itemText(1), QStringLiteral("/dev/ttyACM0"));
        // Port 1 takes the adapter from the list, port 3 the other device,
        // port 4 a typed path; port 2 is emptied back to its usual device.
        box(1)->setCurrentIndex(0);
        emit box(1)->activated(0);
        EXPECT_EQ(box(1)->currentText(), QStringLiteral("/dev/ttyUSB0")) << "the device alone once chosen";
        box(3)->setCurrentIndex(1);
        box(4)->lineEdit()->clear();
        QTest::keyClicks(box(4)->lineEdit(), QStringLiteral(" /dev/serial/by-id/usb-x "));
        box(2)->lineEdit()->clear();
        QTest::mouseClick(dialog->findChild<QAbstractButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });
    PortSettingsDialog dialog(o.commPort, o.inputMode, o.store, [&o](int port) { o.portsSet.push_back(port); });
    dialog.setAvailablePorts({{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")},
                              {QStringLiteral("/dev/ttyACM0"), QString()}});
    dialog.setPortDevices(deviceOf);
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(o.portsSet, std::vector<int>{1}) << "the port is closed, to open on the new device";
    o.store.sync();
    QSettings stored(o.path, QSettings::IniFormat);
    EXPECT_EQ(stored.value("Settings/Com1Device").toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_FALSE(stored.contains("Settings/Com2Device"));
    EXPECT_EQ(stored.value("Settings/Com3Device").toString(), QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(stored.value("Settings/Com4Device").toString(), QStringLiteral("/dev/serial/by-id/usb-x"));
#ifndef Q_OS_WIN
    EXPECT_EQ(deviceOf(1), QStringLiteral("/dev/ttyUSB0")) << "what the link opens";
    EXPECT_EQ(deviceOf(2), QStringLiteral("/dev/ttyS1"));
#endif

    // Cancel stores no device, whatever was typed.
    responder.handleDialog([](QWidget* shown) {
        auto* box = shown->findChild<QComboBox*>(QStringLiteral("portDevice1"));
        box->setEditText(QStringLiteral("/dev/ttyUSB9"));
        QTest::mouseClick(shown->findChild<QAbstractButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    PortSettingsDialog again(o.commPort, o.inputMode, o.store, {});
    again.setPortDevices(deviceOf);
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    o.store.sync();
    EXPECT_EQ(QSettings(o.path, QSettings::IniFormat).value("Settings/Com1Device").toString(), QStringLiteral("/dev/ttyUSB0"));
}

// The kind of each port: stored only when changed, read back as chosen; a
// port with the reader/writer cannot be the programmer's, and the last port
// of the programmer keeps its kind.
TEST(PortSettingsDialog, KindOfEachPort)
{
    Options o;
    const auto show = [&o](const std::function<void(PortSettingsDialog&)>& change) {
        PortSettingsDialog dialog(o.commPort, o.inputMode, o.store, {});
        dialog.setPortKinds([&o](int port) { return o.store.readPortKind(port); });
        change(dialog);
        QMetaObject::invokeMethod(&dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QAbstractButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        }, Qt::QueuedConnection);
        dialog.exec();
    };
    const auto kind = [](PortSettingsDialog& d, int port) { return d.findChild<QComboBox*>(QStringLiteral("portKind%1").arg(port)); };
    show([&](PortSettingsDialog& d) { kind(d, 1)->setCurrentIndex(1); });
    EXPECT_EQ(o.store.readPortKind(1), PortKind::ReaderWriter);
    EXPECT_EQ(o.store.readPortKind(2), PortKind::Programmer);
    EXPECT_EQ(o.commPort, 2);  // the programmer moved off the reader/writer's port
    o.store.sync();
    EXPECT_FALSE(QSettings(o.path, QSettings::IniFormat).contains(QStringLiteral("Settings/Com2Kind")));
    show([&](PortSettingsDialog& d) {
        EXPECT_EQ(kind(d, 1)->currentIndex(), 1);
        EXPECT_FALSE(d.findChild<QAbstractButton*>(QStringLiteral("optCom1"))->isEnabled());
        for (int port = 2; port <= 4; ++port)
            kind(d, port)->setCurrentIndex(1);
        EXPECT_EQ(kind(d, 4)->currentIndex(), 0);  // the last programmer port
    });
    EXPECT_EQ(o.commPort, 4);
    EXPECT_EQ(o.store.readPortKind(3), PortKind::ReaderWriter);
    EXPECT_EQ(o.store.readPortKind(4), PortKind::Programmer);
}

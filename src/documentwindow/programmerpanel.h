#pragma once

#include "document/appvalues.h"
#include "pinmap/modulesignals.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;

namespace tessaro {

// The programmer commands that the buttons of a document window start; the
// main window runs them.
enum class DeviceCommand {
    Download,       // send the image to the programmer, then check it
    ReadTester,     // read the programmer's image into the window
    Compare,        // compare the window's image with the programmer's
    Erase,          // fill the programmer's image with 00
    ReadModule,     // read the module's image into the window
    ModuleRead,     // programmer: read the module into the programmer
    ModuleCopy,     // programmer: copy its image onto the module
    ModuleCompare,  // programmer: compare its image with the module's
    ModuleTest,     // programmer: test the module
    Learn,          // programmer: learn the module's I/O
};

// The functions the programmer tests a module for, each switched on or off
// with a box of the frame "功能設定".
enum class TestFunction { PowerShort, LineOpen, LineShort, ProgramSpd, CompareSpd, SoftwareProtect };

// The programmer column of a document window: the frames "I/O" (commands
// between computer and programmer), "TESSARO 測試機" (commands the programmer
// runs on the module, automatic serial numbers, firmware version), "功能設定"
// (test functions), "測試次數" (pass and fail counters), "測試結果" (the result
// of the last test) and "模組 I/O" (the module's signals, coloured by the last
// test). It starts nothing itself: its signals ask the window to.
class ProgrammerPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ProgrammerPanel(AppValues& app, QWidget* parent = nullptr);

    [[nodiscard]] QGroupBox* ioFrame() const { return m_ioFrame; }
    [[nodiscard]] QGroupBox* testerFrame() const { return m_testerFrame; }
    [[nodiscard]] QGroupBox* testFunctionFrame() const { return m_testFunctionFrame; }
    [[nodiscard]] QGroupBox* testCountFrame() const { return m_testCountFrame; }
    [[nodiscard]] QGroupBox* testResultFrame() const { return m_testResultFrame; }
    [[nodiscard]] QGroupBox* moduleIoFrame() const { return m_moduleIoFrame; }
    [[nodiscard]] QCheckBox* autoSerialOption() const { return m_autoSerial; }
    [[nodiscard]] QCheckBox* testFunctionOption(TestFunction function) const
    {
        return m_testFunctions[static_cast<std::size_t>(function)];
    }
    [[nodiscard]] QLabel* versionLabel() const { return m_version; }
    [[nodiscard]] QLabel* resultLabel() const { return m_result; }
    [[nodiscard]] QLabel* passCountLabel() const { return m_passCount; }
    [[nodiscard]] QLabel* failCountLabel() const { return m_failCount; }
    [[nodiscard]] QLabel* moduleSignalLabel(int index) const { return m_signals[static_cast<std::size_t>(index)]; }

    // The frames that need an answering programmer: all but "TESSARO 測試機".
    void setTestFramesVisible(bool visible);
    void setAuthorized(bool authorized);  // the automatic serial number option
    void showVersion(const QString& version);
    // Each test-function box from its status bit: a set bit clears it.
    void setTestFlags(std::uint8_t status);
    void showTestResultStarted();                         // the result on red
    void showTestResult(const QString& text, bool pass);  // PASS on green
    void showTestCounts(int passed, int failed);
    // Pins named by a test record get their colour and a border; when the whole
    // record was read, the others turn grey without a border.
    void showPinMarks(const std::array<PinMark, kModuleSignalCount>& marks, bool complete);

signals:
    void commandClicked(tessaro::DeviceCommand command);
    void autoSerialClicked();  // checked or not
    // A mouse press on a test-function box with the box's value before the
    // press, delivered after the press was handled. The box is named by the
    // number the programmer's switch commands know it by (4 power short ...
    // 10 software protection).
    void testFlagPressed(int checkBox, bool tickedBeforePress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildIoFrame();
    void buildTesterFrame();
    void buildTestFunctionFrame();
    QGroupBox* buildTestCountFrame();
    QGroupBox* buildTestResultFrame();
    void buildModuleIoFrame();
    void resetCounters();

    AppValues& m_app;
    QGroupBox* m_ioFrame = nullptr;
    QGroupBox* m_testerFrame = nullptr;
    QGroupBox* m_testFunctionFrame = nullptr;
    QGroupBox* m_testCountFrame = nullptr;
    QGroupBox* m_testResultFrame = nullptr;
    QGroupBox* m_moduleIoFrame = nullptr;
    QCheckBox* m_autoSerial = nullptr;
    std::array<QCheckBox*, 6> m_testFunctions{};
    QLabel* m_version = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_passCount = nullptr;
    QLabel* m_failCount = nullptr;
    std::array<QLabel*, kModuleSignalCount> m_signals{};
};

}  // namespace tessaro

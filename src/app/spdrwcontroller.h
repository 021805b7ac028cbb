#pragma once

#include "device/spdrwlink.h"
#include "log/productionlog.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

// One operation on the SPD reader/writer, as a window asks for it.
struct SpdrwJob {
    enum class Kind { Scan, Read, Plan, Write, Verify, ProtectStatus, ProtectSet, ProtectClear };
    Kind kind = Kind::Scan;
    std::uint8_t address = 0;
    spdrw::Bytes image;       // Plan, Write, Verify: the document's bytes
    bool force = false;       // Write: past the generation and check-byte rules
    std::vector<int> blocks;  // ProtectSet
    std::string document;     // the document's caption, for the production log
};

// What it came to. `ok` false: `message` says why, in the driver's words.
struct SpdrwOutcome {
    SpdrwJob job;
    bool ok = false;
    bool connected = false;  // the reader/writer answered
    std::string message;
    SpdrwDevice device;
    std::vector<SpdrwModule> modules;  // the bus after the operation
    std::optional<bool> offline;       // DDR5 offline mode, when a DDR5 module is there
    SpdrwModule module;                // the module operated on
    spdrw::Bytes image;                // Read: the module's image; Plan, Verify: the module's image
    int pagesChanged = 0;              // Plan: pages that differ; Write: as the result says
    int totalPages = 0;
    SpdrwWriteResult write;            // Write
    std::string logProblem;            // records that could not be written now
};

class SpdrwWorker;

// The SPD reader/writer of the windows: its device (the port whose kind is the
// reader/writer), the modules found, and one operation at a time run on a
// thread of its own that owns the port, opens it for the operation and closes
// it on every path. Every operation goes into the production log as
// `tessaro-cli spdrw` records it.
class SpdrwController : public QObject
{
    Q_OBJECT
public:
    explicit SpdrwController(QObject* parent = nullptr);
    ~SpdrwController() override;

    // The production log the operations go into (none: nothing is recorded).
    void setLog(std::optional<LogLocation> location, QString station, QString operatorName);
    // The device of the reader/writer; empty: none is configured. Rescans.
    void setDevice(const QString& device);
    [[nodiscard]] const QString& device() const { return m_device; }
    [[nodiscard]] bool configured() const { return !m_device.isEmpty(); }
    [[nodiscard]] bool busy() const { return m_busy; }

    // The last scan: false when the reader/writer did not answer (lastProblem()).
    [[nodiscard]] bool connected() const { return m_last.connected; }
    [[nodiscard]] const std::vector<SpdrwModule>& modules() const { return m_last.modules; }
    [[nodiscard]] std::optional<bool> offline() const { return m_last.offline; }
    [[nodiscard]] const SpdrwDevice& deviceInfo() const { return m_last.device; }
    [[nodiscard]] const std::string& lastProblem() const { return m_problem; }

    // Starts an operation; false (nothing started) while one runs or when no
    // reader/writer is configured.
    bool start(SpdrwJob job);

    // Waits for the running operation (tests); false when none ended in time.
    bool waitIdle(int milliseconds);

signals:
    void configurationChanged();
    void stateChanged();                  // busy, modules
    void progress(const QString& text);   // for the status bar
    void finished(const tessaro::SpdrwOutcome& outcome);

private:
    void done(SpdrwOutcome outcome, const QString& device);

    QThread m_thread;
    SpdrwWorker* m_worker = nullptr;  // lives on m_thread
    QString m_device;
    bool m_busy = false;
    SpdrwOutcome m_last;
    std::string m_problem;
};

}  // namespace tessaro

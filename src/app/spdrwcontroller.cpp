#include "app/spdrwcontroller.h"

#include "log/readerwriterrecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tessaro {

namespace {

const char* OperationName(SpdrwJob::Kind kind)
{
    switch (kind) {
    case SpdrwJob::Kind::Scan: return "spdrw info";
    case SpdrwJob::Kind::Read: return "spdrw read";
    case SpdrwJob::Kind::Plan: return "spdrw read";
    case SpdrwJob::Kind::Write: return "spdrw write";
    case SpdrwJob::Kind::Verify: return "spdrw verify";
    case SpdrwJob::Kind::ProtectStatus: return "spdrw protect status";
    case SpdrwJob::Kind::ProtectSet: return "spdrw protect set";
    case SpdrwJob::Kind::ProtectClear: return "spdrw protect clear";
    }
    return "spdrw";
}

// What the driver's messages say to do, in the windows' terms.
SpdrwHints WindowHints()
{
    SpdrwHints hints;
    hints.clearProtection = "clear it with the reader/writer frame's protection buttons";
    hints.restoreBackup = [](const std::string& sha256) {
        return "open the \"spdrw backup\" record with SHA-256 " + sha256 +
               " in the production log and write that image to the module";
    };
    return hints;
}

}  // namespace

// Runs on the controller's thread: the link and the log's connection are
// made, used and closed there.
class SpdrwWorker : public QObject
{
public:
    std::optional<LogLocation> location;
    QString station;
    QString operatorName;

    SpdrwOutcome run(const QString& device, const SpdrwJob& job, const std::function<void(QString)>& progress)
    {
        SpdrwOutcome out;
        out.job = job;
        ProductionLog* log = openLog();
        ReaderWriterJournal journal(log, station, operatorName);
        SpdrwLink link(device);
        const std::string operation = OperationName(job.kind);
        // The Plan only looks: the write that follows it is the record.
        const bool recorded = job.kind != SpdrwJob::Kind::Plan;
        const auto fail = [&](const std::string& message, const SpdrwModule* module) {
            out.ok = false;
            out.message = message;
            if (recorded)
                journal.record(operation, link.portPath(), module, std::nullopt, false, message, job.document);
        };
        progress(QCoreApplication::translate("SpdrwController", "SPD reader/writer: connecting…"));
        if (!link.connect()) {
            fail(link.error(), nullptr);
            finish(log, out);
            return out;
        }
        out.connected = true;
        out.device = link.device();
        if (job.kind != SpdrwJob::Kind::Scan)
            operate(link, journal, job, out, fail);
        else
            out.ok = true;
        // The bus as it is now, for every frame.
        progress(QCoreApplication::translate("SpdrwController", "SPD reader/writer: scanning the modules…"));
        if (link.scan(out.modules)) {
            for (const SpdrwModule& m : out.modules) {
                bool offline = false;
                if (m.ddr5() && !out.offline && link.offlineMode(offline))
                    out.offline = offline;
            }
            if (job.kind == SpdrwJob::Kind::Scan)
                journal.record(operation, link.portPath(), nullptr, std::nullopt, true, {});
        } else if (job.kind == SpdrwJob::Kind::Scan) {
            fail(link.error(), nullptr);
        }
        link.close();
        finish(log, out);
        return out;
    }

private:
    template <typename Fail>
    void operate(SpdrwLink& link, ReaderWriterJournal& journal, const SpdrwJob& job, SpdrwOutcome& out, Fail& fail)
    {
        const std::string port = link.portPath();
        const std::string operation = OperationName(job.kind);
        SpdrwModule& module = out.module;
        if (!link.inspect(job.address, module)) {
            fail(link.error(), nullptr);
            return;
        }
        switch (job.kind) {
        case SpdrwJob::Kind::Scan:
            return;
        case SpdrwJob::Kind::Read:
            if (!link.readImage(module, out.image))
                return fail(link.error(), &module);
            journal.record(operation, port, &module, out.image, true, {}, job.document);
            out.ok = true;
            return;
        case SpdrwJob::Kind::Plan: {
            // The pages a write would change, after the write rules that
            // refuse it before any byte: a refusal is the write's record.
            const auto refused = [&](const SpdrwWriteResult& result) {
                out.write = result;
                out.message = result.message;
                journal.record("spdrw write", port, &module, std::nullopt, false, result.message, job.document);
            };
            if (const auto refusal = link.refuseImage(module, job.image, job.force))
                return refused(*refusal);
            if (!link.readImage(module, out.image))
                return fail(link.error(), &module);
            const std::vector<int> pages = spdrw::DifferingPages(out.image, job.image);
            out.pagesChanged = static_cast<int>(pages.size());
            out.totalPages = module.size / spdrw::kPageSize;
            if (const auto refusal = link.refusePages(module, pages, WindowHints()))
                return refused(*refusal);
            out.ok = true;
            return;
        }
        case SpdrwJob::Kind::Write: {
            out.write = journal.write(link, module, job.image, job.force, WindowHints(), job.document);
            out.ok = Succeeded(out.write);
            out.message = out.write.message;
            out.pagesChanged = out.write.pagesChanged;
            out.totalPages = out.write.totalPages;
            return;
        }
        case SpdrwJob::Kind::Verify: {
            if (module.size != static_cast<int>(job.image.size()))
                return fail("the document holds " + std::to_string(job.image.size()) + " bytes but the module at " +
                                spdrw::AddressText(module.address) + " is " + module.generation + " with " +
                                std::to_string(module.size) + " bytes",
                            &module);
            if (!link.readImage(module, out.image))
                return fail(link.error(), &module);
            int differing = 0;
            for (std::size_t i = 0; i < out.image.size(); ++i)
                differing += out.image[i] != job.image[i] ? 1 : 0;
            out.ok = differing == 0;
            out.pagesChanged = static_cast<int>(spdrw::DifferingPages(out.image, job.image).size());
            out.message = out.ok ? std::string() : std::to_string(differing) + " bytes differ";
            journal.record(operation, port, &module, job.image, out.ok, out.message, job.document);
            return;
        }
        case SpdrwJob::Kind::ProtectStatus:
        case SpdrwJob::Kind::ProtectSet:
        case SpdrwJob::Kind::ProtectClear: {
            const bool done = job.kind == SpdrwJob::Kind::ProtectSet     ? link.setProtection(module, job.blocks)
                              : job.kind == SpdrwJob::Kind::ProtectClear ? link.clearProtection(module)
                                                                         : link.readProtection(module);
            if (!done)
                return fail(link.error(), &module);
            journal.record(operation, port, &module, std::nullopt, true, {});
            out.ok = true;
            return;
        }
        }
    }

    ProductionLog* openLog()
    {
        if (!m_log && location) {
            m_log = std::make_unique<ProductionLog>(*location);
            m_log->open();  // a failure is tried again with the first record
        }
        return m_log.get();
    }

    // Records that could not be written now are kept for the next writer.
    static void finish(ProductionLog* log, SpdrwOutcome& out)
    {
        if (!log || log->isReadOnly() || log->flush())
            return;
        QString error;
        if (!log->keepWaiting(&error))
            out.logProblem = (log->problem() + QStringLiteral("; ") + error).toStdString();
        else
            out.logProblem = log->problem().toStdString();
    }

    std::unique_ptr<ProductionLog> m_log;
};

SpdrwController::SpdrwController(QObject* parent) : QObject(parent)
{
    m_worker = new SpdrwWorker;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("spdrw"));
    m_thread.start();
}

SpdrwController::~SpdrwController()
{
    // The running operation ends by itself: every wait of the driver is bounded.
    m_thread.quit();
    m_thread.wait();
}

void SpdrwController::setLog(std::optional<LogLocation> location, QString station, QString operatorName)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, location, station, operatorName] {
        worker->location = location;
        worker->station = station;
        worker->operatorName = operatorName;
    }, Qt::QueuedConnection);
}

void SpdrwController::setDevice(const QString& device)
{
    if (device == m_device) {
        // The same device again (the settings confirmed): looked at afresh.
        if (configured())
            start({});
        return;
    }
    m_device = device;
    m_last = {};
    m_problem.clear();
    emit configurationChanged();
    emit stateChanged();
    if (configured())
        start({});
}

bool SpdrwController::start(SpdrwJob job)
{
    if (m_busy || !configured())
        return false;
    m_busy = true;
    emit stateChanged();
    QMetaObject::invokeMethod(m_worker, [this, worker = m_worker, device = m_device, job = std::move(job)] {
        const auto progress = [this](QString text) {
            QMetaObject::invokeMethod(this, [this, text] { emit this->progress(text); }, Qt::QueuedConnection);
        };
        SpdrwOutcome out = worker->run(device, job, progress);
        QMetaObject::invokeMethod(this, [this, out = std::move(out), device]() mutable { done(std::move(out), device); },
                                  Qt::QueuedConnection);
    }, Qt::QueuedConnection);
    return true;
}

void SpdrwController::done(SpdrwOutcome outcome, const QString& device)
{
    m_busy = false;
    // An operation on a device no longer configured changes nothing shown:
    // the configured one is scanned instead.
    const bool current = device == m_device;
    if (current) {
        m_last.connected = outcome.connected;
        m_last.device = outcome.device;
        m_last.modules = outcome.modules;
        m_last.offline = outcome.offline;
        m_problem = outcome.connected ? std::string() : outcome.message;
    }
    emit stateChanged();
    emit finished(outcome);
    if (!current && configured())
        start({});
}

bool SpdrwController::waitIdle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (m_busy && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !m_busy;
}

}  // namespace tessaro

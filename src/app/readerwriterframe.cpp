#include "app/readerwriterframe.h"

#include "app/messages.h"
#include "files/qttext.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tessaro {

namespace {

enum Column { AddressColumn, GenerationColumn, SizeColumn, BlocksColumn, PermanentColumn, OfflineColumn, ColumnCount };

QString Address(int address)
{
    return ToQString(spdrw::AddressText(address));
}

// One mark a block: filled while it is protected.
QString BlockMarks(const SpdrwModule& module)
{
    QString marks;
    for (int i = 0; i < module.blockCount(); ++i)
        marks += module.protectedBlocks[static_cast<std::size_t>(i)] ? QChar(0x25A0) : QChar(0x25A1);
    return marks;
}

QString Hex2(unsigned value)
{
    return QStringLiteral("%1").arg(value & 0xFFu, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

ReaderWriterFrame::ReaderWriterFrame(SpdrwController& controller, Document document, ImageOpener openImage,
                                     QWidget* parent)
    : QGroupBox(tr("SPD reader/writer"), parent),
      m_controller(controller),
      m_document(std::move(document)),
      m_openImage(std::move(openImage))
{
    setObjectName(QStringLiteral("spdrwFrame"));
    m_modules = new QTreeWidget(this);
    m_modules->setObjectName(QStringLiteral("spdrwModules"));
    m_modules->setRootIsDecorated(false);
    m_modules->setUniformRowHeights(true);
    m_modules->setHeaderLabels({tr("Address"), tr("Generation"), tr("Bytes"), tr("Protected blocks"), tr("Permanent"),
                                tr("Offline mode")});
    m_modules->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_modules->setMinimumHeight(m_modules->fontMetrics().height() * 5);
    m_modules->setMaximumHeight(m_modules->fontMetrics().height() * 9);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("spdrwState"));
    m_state->setWordWrap(true);
    m_state->setTextFormat(Qt::PlainText);

    auto* buttons = new QGridLayout;
    const auto add = [&](const char* name, const QString& caption, void (ReaderWriterFrame::*slot)(), int row,
                         int column) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button, row, column);
        m_buttons.push_back(button);
    };
    add("spdrwRescan", tr("Rescan"), &ReaderWriterFrame::rescan, 0, 0);
    add("spdrwRead", tr("Read into new window"), &ReaderWriterFrame::readModule, 0, 1);
    add("spdrwWrite", tr("Write document"), &ReaderWriterFrame::writeDocument, 0, 2);
    add("spdrwVerify", tr("Verify"), &ReaderWriterFrame::verifyDocument, 0, 3);
    add("spdrwProtectStatus", tr("Protection status"), &ReaderWriterFrame::showProtection, 1, 0);
    add("spdrwProtectSet", tr("Protect blocks…"), &ReaderWriterFrame::setProtection, 1, 1);
    add("spdrwProtectClear", tr("Clear protection"), &ReaderWriterFrame::clearProtection, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_modules);
    layout->addWidget(m_state);
    layout->addLayout(buttons);

    connect(&m_controller, &SpdrwController::stateChanged, this, &ReaderWriterFrame::follow);
    connect(&m_controller, &SpdrwController::configurationChanged, this, &ReaderWriterFrame::follow);
    connect(&m_controller, &SpdrwController::finished, this, &ReaderWriterFrame::finished);
    connect(m_modules, &QTreeWidget::itemSelectionChanged, this, &ReaderWriterFrame::follow);
    follow();
}

ReaderWriterFrame::~ReaderWriterFrame()
{
    // The list goes after this part of the frame: it must no longer call back.
    m_modules->disconnect(this);
}

int ReaderWriterFrame::selectedAddress() const
{
    const QList<QTreeWidgetItem*> items = m_modules->selectedItems();
    return items.isEmpty() ? 0 : items.front()->data(AddressColumn, Qt::UserRole).toInt();
}

void ReaderWriterFrame::selectAddress(int address)
{
    for (int i = 0; i < m_modules->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_modules->topLevelItem(i);
        if (item->data(AddressColumn, Qt::UserRole).toInt() == address)
            m_modules->setCurrentItem(item);
    }
}

const SpdrwModule* ReaderWriterFrame::selectedModule() const
{
    const int address = selectedAddress();
    for (const SpdrwModule& m : m_controller.modules())
        if (m.address == address)
            return &m;
    return nullptr;
}

void ReaderWriterFrame::follow()
{
    setVisible(m_controller.configured());
    // The list again, the chosen module kept (the only one chosen by itself).
    int chosen = selectedAddress();
    const std::vector<SpdrwModule>& modules = m_controller.modules();
    if (m_modules->topLevelItemCount() != static_cast<int>(modules.size()) || sender() != m_modules) {
        const QSignalBlocker quiet(m_modules);
        m_modules->clear();
        for (const SpdrwModule& m : modules) {
            auto* item = new QTreeWidgetItem(m_modules);
            item->setText(AddressColumn, Address(m.address));
            item->setData(AddressColumn, Qt::UserRole, m.address);
            item->setText(GenerationColumn, ToQString(m.generation));
            item->setText(SizeColumn, QString::number(m.size));
            // The marks, larger than the text, and the protected blocks by number.
            const std::string listed = m.blockList(true);
            item->setText(BlocksColumn, BlockMarks(m) + QStringLiteral("  ") +
                                            (listed == "none" ? QStringLiteral("-") : ToQString(listed)));
            QFont marks = item->font(BlocksColumn);
            marks.setPointSizeF(marks.pointSizeF() * 1.3);
            item->setFont(BlocksColumn, marks);
            item->setToolTip(BlocksColumn, tr("blocks of %1 bytes; protected: %2; clear: %3")
                                               .arg(m.blockSize)
                                               .arg(ToQString(m.blockList(true)), ToQString(m.blockList(false))));
            item->setText(PermanentColumn, m.permanent ? tr("yes") : tr("no"));
            if (m.ddr5() && m_controller.offline())
                item->setText(OfflineColumn, *m_controller.offline() ? tr("yes") : tr("no"));
        }
        if (modules.size() == 1)
            chosen = modules.front().address;
        for (int i = 0; i < m_modules->topLevelItemCount(); ++i)
            if (m_modules->topLevelItem(i)->data(AddressColumn, Qt::UserRole).toInt() == chosen)
                m_modules->topLevelItem(i)->setSelected(true);
    }

    QString state;
    if (m_controller.busy())
        state = tr("working…");
    else if (!m_controller.lastProblem().empty())
        state = tr("The SPD reader/writer on %1 does not answer: %2")
                    .arg(m_controller.device(), ToQString(m_controller.lastProblem()));
    else if (m_controller.connected()) {
        const SpdrwDevice& d = m_controller.deviceInfo();
        state = tr("%1: firmware %2, \"%3\", %4 kHz")
                    .arg(m_controller.device())
                    .arg(d.version)
                    .arg(ToQString(d.name))
                    .arg(d.clockKHz);
        if (modules.empty())
            state += u'\n' + tr("No module answers at 0x50-0x57.");
    }
    m_state->setText(state);
    const bool idle = !m_controller.busy();
    const bool chosenModule = selectedModule() != nullptr;
    for (QPushButton* button : m_buttons)
        button->setEnabled(idle && (button->objectName() == QLatin1String("spdrwRescan") || chosenModule));
}

SpdrwJob ReaderWriterFrame::jobFor(SpdrwJob::Kind kind) const
{
    SpdrwJob job;
    job.kind = kind;
    job.address = static_cast<std::uint8_t>(selectedAddress());
    if (kind == SpdrwJob::Kind::Plan || kind == SpdrwJob::Kind::Write || kind == SpdrwJob::Kind::Verify) {
        job.image = m_document.bytes();
        job.document = m_document.caption().toStdString();
    }
    return job;
}

bool ReaderWriterFrame::start(SpdrwJob job)
{
    if (!m_controller.start(std::move(job)))
        return false;
    m_waiting = true;
    return true;
}

void ReaderWriterFrame::rescan()
{
    start(jobFor(SpdrwJob::Kind::Scan));
}

void ReaderWriterFrame::readModule()
{
    start(jobFor(SpdrwJob::Kind::Read));
}

void ReaderWriterFrame::writeDocument()
{
    // First the pages that would change, for the confirmation.
    start(jobFor(SpdrwJob::Kind::Plan));
}

void ReaderWriterFrame::verifyDocument()
{
    start(jobFor(SpdrwJob::Kind::Verify));
}

void ReaderWriterFrame::showProtection()
{
    start(jobFor(SpdrwJob::Kind::ProtectStatus));
}

void ReaderWriterFrame::setProtection()
{
    const SpdrwModule* module = selectedModule();
    if (!module)
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("spdrwBlocksDialog"));
    dialog.setWindowTitle(tr("Protect blocks"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("%1 at %2: blocks of %3 bytes. Protected blocks cannot be written until the "
                                    "protection is cleared.")
                                     .arg(ToQString(module->generation), Address(module->address))
                                     .arg(module->blockSize),
                                 &dialog));
    auto* grid = new QGridLayout;
    std::vector<QCheckBox*> boxes;
    for (int i = 0; i < module->blockCount(); ++i) {
        const int first = i * module->blockSize;
        auto* box = new QCheckBox(tr("block %1 (bytes %2-%3)").arg(i).arg(first).arg(first + module->blockSize - 1),
                                  &dialog);
        box->setObjectName(QStringLiteral("spdrwBlock%1").arg(i));
        const bool already = module->protectedBlocks[static_cast<std::size_t>(i)];
        box->setChecked(already);
        box->setEnabled(!already);
        grid->addWidget(box, i % 8, i / 8);
        boxes.push_back(box);
    }
    layout->addLayout(grid);
    auto* answer = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(answer, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(answer, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(answer);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SpdrwJob job = jobFor(SpdrwJob::Kind::ProtectSet);
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i)
        if (boxes[static_cast<std::size_t>(i)]->isEnabled() && boxes[static_cast<std::size_t>(i)]->isChecked())
            job.blocks.push_back(i);
    if (!job.blocks.empty())
        start(std::move(job));
}

void ReaderWriterFrame::clearProtection()
{
    start(jobFor(SpdrwJob::Kind::ProtectClear));
}

void ReaderWriterFrame::failure(const QString& headline, const SpdrwOutcome& outcome, const QString& hint)
{
    QString text = outcome.connected ? headline
                                     : tr("The SPD reader/writer on %1 does not answer.").arg(m_controller.device());
    text += QStringLiteral("\n\n") + ToQString(outcome.message);
    if (!hint.isEmpty())
        text += QStringLiteral("\n\n") + hint;
    emit statusMessage(text.section(u'\n', 0, 0));
    ui::ShowError(this, tr("SPD reader/writer"), text);
}

void ReaderWriterFrame::finished(const SpdrwOutcome& outcome)
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (!outcome.logProblem.empty())
        emit statusMessage(tr("production log: %1").arg(ToQString(outcome.logProblem)));
    const QString address = Address(outcome.job.address);
    const QString generation = ToQString(outcome.module.generation);
    switch (outcome.job.kind) {
    case SpdrwJob::Kind::Scan:
        if (!outcome.ok)
            failure({}, outcome);
        else
            emit statusMessage(tr("SPD reader/writer: modules found: %1").arg(outcome.modules.size()));
        return;
    case SpdrwJob::Kind::Read:
        if (!outcome.ok)
            return failure(tr("Reading the module at %1 failed; no window was opened.").arg(address), outcome);
        m_openImage(outcome.image);
        emit statusMessage(tr("Read %1 bytes from %2 (%3) into a new window")
                               .arg(outcome.image.size())
                               .arg(address, generation));
        return;
    case SpdrwJob::Kind::Plan: {
        if (!outcome.ok) {
            if (outcome.write.outcome == SpdrwWriteResult::Outcome::Refused && !outcome.write.message.empty())
                return writeFinished(outcome);
            return failure(tr("The module at %1 cannot be written.").arg(address), outcome);
        }
        SpdrwJob write = outcome.job;
        write.kind = SpdrwJob::Kind::Write;
        // Nothing to change: the write itself says so.
        if (outcome.pagesChanged > 0) {
            const QMessageBox::StandardButton answer = QMessageBox::question(
                this, tr("SPD reader/writer"),
                tr("Write the document to the %1 module at %2?\n\n%3 of its %4 pages (16 bytes each) change. "
                   "The module's present contents are kept in the production log as a backup first.")
                    .arg(generation, address)
                    .arg(outcome.pagesChanged)
                    .arg(outcome.totalPages));
            if (answer != QMessageBox::Yes) {
                emit statusMessage(tr("Write cancelled; nothing was written"));
                return;
            }
        }
        start(std::move(write));
        return;
    }
    case SpdrwJob::Kind::Write:
        writeFinished(outcome);
        return;
    case SpdrwJob::Kind::Verify:
        if (outcome.ok) {
            emit statusMessage(tr("The module at %1 holds this document").arg(address));
            ui::ShowMessage(this, tr("The module at %1 (%2) holds exactly this document: %3 bytes compared.")
                                      .arg(address, generation)
                                      .arg(outcome.image.size()));
            return;
        }
        if (outcome.image.size() == outcome.job.image.size() && !outcome.image.empty()) {
            std::size_t first = 0;
            int count = 0;
            for (std::size_t i = outcome.image.size(); i-- > 0;)
                if (outcome.image[i] != outcome.job.image[i]) {
                    first = i;
                    ++count;
                }
            emit statusMessage(tr("The module at %1 differs from the document").arg(address));
            ui::ShowError(this, tr("SPD reader/writer"),
                          tr("The module at %1 differs from the document in %2 bytes (%3 pages); the first at "
                             "offset %4: document %5h, module %6h.")
                              .arg(address)
                              .arg(count)
                              .arg(outcome.pagesChanged)
                              .arg(QStringLiteral("0x%1").arg(first, 3, 16, QLatin1Char('0')).toUpper().replace(
                                  QLatin1String("0X"), QLatin1String("0x")))
                              .arg(Hex2(outcome.job.image[first]), Hex2(outcome.image[first])));
            return;
        }
        return failure(tr("Verifying the module at %1 failed.").arg(address), outcome);
    case SpdrwJob::Kind::ProtectStatus:
    case SpdrwJob::Kind::ProtectSet:
    case SpdrwJob::Kind::ProtectClear: {
        if (!outcome.ok) {
            QString hint;
            if (outcome.job.kind == SpdrwJob::Kind::ProtectClear && outcome.module.ddr5() &&
                outcome.offline == false)
                hint = tr("A DDR5 module's hub clears its protection only in offline mode, with the module's HSA pin "
                          "tied to ground.");
            return failure(outcome.job.kind == SpdrwJob::Kind::ProtectStatus
                               ? tr("The protection of the module at %1 could not be read.").arg(address)
                               : tr("The protection of the module at %1 could not be changed.").arg(address),
                           outcome, hint);
        }
        emit statusMessage(tr("%1 (%2): protected blocks %3 of %4; permanent: %5")
                               .arg(address, generation, ToQString(outcome.module.blockList(true)),
                                    ToQString(outcome.module.blockRange()))
                               .arg(outcome.module.permanent ? tr("yes") : tr("no")));
        return;
    }
    }
}

void ReaderWriterFrame::writeFinished(const SpdrwOutcome& outcome)
{
    const QString address = Address(outcome.job.address);
    const SpdrwWriteResult& result = outcome.write;
    if (!outcome.connected || outcome.module.address == 0)
        return failure(tr("The module at %1 cannot be written.").arg(address), outcome);
    switch (result.outcome) {
    case SpdrwWriteResult::Outcome::Written:
        emit statusMessage(tr("%1: wrote %2 of %3 pages (%4 bytes), verified")
                               .arg(address)
                               .arg(result.pagesWritten.size())
                               .arg(result.totalPages)
                               .arg(result.pagesWritten.size() * spdrw::kPageSize));
        return;
    case SpdrwWriteResult::Outcome::Unchanged:
        emit statusMessage(tr("%1 already holds this document; nothing was written").arg(address));
        return;
    case SpdrwWriteResult::Outcome::Refused:
        if (result.overridable && !outcome.job.force) {
            const QMessageBox::StandardButton answer = QMessageBox::question(
                this, tr("SPD reader/writer"),
                tr("The write to %1 was refused; nothing was written.\n\n%2\n\nWrite the document as it is all the "
                   "same?")
                    .arg(address, ToQString(result.message)),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer == QMessageBox::Yes) {
                // Forced, the pages and the confirmation again.
                SpdrwJob forced = outcome.job;
                forced.kind = SpdrwJob::Kind::Plan;
                forced.force = true;
                start(std::move(forced));
            } else {
                emit statusMessage(tr("The write to %1 was refused; nothing was written").arg(address));
            }
            return;
        }
        return failure(tr("The write to %1 was refused; nothing was written.").arg(address), outcome);
    case SpdrwWriteResult::Outcome::Failed:
        return failure(tr("The write to %1 failed. The document is unchanged; the module may hold part of it.")
                           .arg(address),
                       outcome,
                       tr("To put the module's previous contents back: in the production log choose the \"%1\" "
                          "record of this write, open its image, and write that window to the module.")
                           .arg(QCoreApplication::translate("LogWindow", "spdrw backup")));
    }
}

}  // namespace tessaro

#include "app/installedmodulesdialog.h"

#include "decode/modulesummary.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <thread>

namespace tessaro {

namespace {

enum Column { Address, Driver, Summary };

}  // namespace

InstalledModulesDialog::InstalledModulesDialog(QString root, QWidget* parent)
    : QDialog(parent)
    , m_root(std::move(root))
{
    setWindowTitle(QStringLiteral("讀取本機模組"));
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(QStringLiteral("Reading the SPD of this computer's memory modules…"), this);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);  // busy: the number of devices is known only at the end
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("Slot"), QStringLiteral("Driver"), QStringLiteral("Module")});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(Summary, QHeaderView::Stretch);
    m_list->setMinimumWidth(720);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Open)->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemChanged, this, [this] {
        m_buttons->button(QDialogButtonBox::Open)->setEnabled(!chosenModules().empty());
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->flags() & Qt::ItemIsUserCheckable) {
            item->setCheckState(Address, Qt::Checked);
            accept();
        }
    });
    layout->addWidget(m_status);
    layout->addWidget(m_busy);
    layout->addWidget(m_list);
    layout->addWidget(m_buttons);
}

InstalledModulesDialog::~InstalledModulesDialog() = default;

void InstalledModulesDialog::startScan()
{
    if (m_scanning)
        return;
    m_scanning = true;
    m_busy->show();
    // The reading thread owns its copy of the root and hands the result back
    // through the event loop; a dialog closed meanwhile simply gets nothing.
    QPointer<InstalledModulesDialog> self(this);
    std::thread([self, root = m_root.toStdString()] {
        InstalledModules scan = ScanInstalledModules(root);
        QMetaObject::invokeMethod(
            qApp, [self, scan = std::move(scan)] {
                if (self)
                    self->showScan(scan);
            },
            Qt::QueuedConnection);
    }).detach();
}

void InstalledModulesDialog::showScan(const InstalledModules& scan)
{
    m_scan = scan;
    m_scanning = false;
    m_busy->hide();
    m_list->clear();
    for (const InstalledModule& module : m_scan.modules) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(Address, QString::fromStdString(module.entry));
        item->setText(Driver, QString::fromStdString(module.driver));
        if (module.image.ok()) {
            item->setText(Summary, QString::fromStdString(SummarizeModule(module.image.image.bytes).line()));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Address, Qt::Checked);
        } else {
            item->setText(Summary, QString::fromStdString(module.image.error));
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    for (int c = Address; c < Summary; ++c)
        m_list->resizeColumnToContents(c);
    if (!m_scan.error.empty())
        m_status->setText(QString::fromStdString(m_scan.error));
    else if (!m_scan.found())
        m_status->setText(QString::fromStdString(NoInstalledModulesHint(m_scan)));
    else
        m_status->setText(QStringLiteral("%1 module(s) in %2").arg(m_scan.modules.size()).arg(QString::fromStdString(m_scan.devicesFolder)));
    m_buttons->button(QDialogButtonBox::Open)->setEnabled(!chosenModules().empty());
    emit scanFinished();
}

std::vector<InstalledModule> InstalledModulesDialog::chosenModules() const
{
    std::vector<InstalledModule> chosen;
    for (int i = 0; i < m_list->topLevelItemCount() && i < static_cast<int>(m_scan.modules.size()); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        const InstalledModule& module = m_scan.modules[static_cast<std::size_t>(i)];
        if (module.image.ok() && item->checkState(Address) == Qt::Checked)
            chosen.push_back(module);
    }
    return chosen;
}

QString InstalledModulesDialog::DocumentCaption(const InstalledModule& module)
{
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(module.entry), QString::fromStdString(module.driver));
}

}  // namespace tessaro

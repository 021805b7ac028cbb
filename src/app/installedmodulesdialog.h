#pragma once

#include "files/installedmodules.h"

#include <QDialog>
#include <QString>

#include <vector>

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QTreeWidget;

namespace tessaro {

// "讀取本機模組": the SPD EEPROMs of this computer's memory modules, found by
// the same scan as `tessaro-cli installed`. The scan runs off the user-interface
// thread (a DDR5 device takes about a quarter of a second to read) with a busy
// bar; the operator picks the modules to open.
class InstalledModulesDialog : public QDialog
{
    Q_OBJECT

public:
    // root: where the sysfs tree starts ("/" on a real machine).
    explicit InstalledModulesDialog(QString root, QWidget* parent = nullptr);
    ~InstalledModulesDialog() override;

    // Starts the scan; finished() follows on the user-interface thread.
    void startScan();
    [[nodiscard]] bool scanning() const { return m_scanning; }
    [[nodiscard]] const InstalledModules& scan() const { return m_scan; }
    // The readable modules ticked for opening, in list order.
    [[nodiscard]] std::vector<InstalledModule> chosenModules() const;
    [[nodiscard]] QTreeWidget* list() const { return m_list; }

    // "0-0050 (ee1004)": the caption of a module's document.
    [[nodiscard]] static QString DocumentCaption(const InstalledModule& module);

signals:
    void scanFinished();

private:
    void showScan(const InstalledModules& scan);

    QString m_root;
    QLabel* m_status = nullptr;
    QProgressBar* m_busy = nullptr;
    QTreeWidget* m_list = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    InstalledModules m_scan;
    bool m_scanning = false;
};

}  // namespace tessaro

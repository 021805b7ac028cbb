#pragma once

#include "wizard/wizardpages.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tessaro {

// The SPD wizard dialog "SPD 精靈": five pages in frames that share one place
// beside a picture, and the buttons Cancel, Back, Next and Finish. It shows
// the state of WizardPages and hands the operator's choices to it; Finish
// leaves the parameters and texts in the record and accepts the dialog.
class WizardDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WizardDialog(WizardRecord& record, QWidget* parent = nullptr);

    [[nodiscard]] const WizardPages& pages() const { return m_pages; }
    [[nodiscard]] QGroupBox* frame(WizardFrame frame) const { return m_frames[static_cast<std::size_t>(frame)]; }
    [[nodiscard]] QComboBox* timingList(TimingList list) const { return m_timing[static_cast<std::size_t>(list)]; }

private:
    void buildUi();
    QGroupBox* buildGenerationFrame();
    QGroupBox* buildSpeedFrame(int generation);
    QGroupBox* buildParameterFrame();
    QGroupBox* buildTimingFrame();
    QGroupBox* buildInformationFrame();
    // Connects a control's signal to `apply`, which hands the operator's
    // change to the pages; the changes showState makes are not handed on.
    template <typename Control, typename Signal, typename Apply>
    void onOperatorChange(Control* control, Signal signal, Apply apply);
    // Draws the pages' state into the controls.
    void showState();
    void showList(QComboBox* box, const ChoiceList& list);

    // The buttons under the frames that follow the pages' state (Cancel is always enabled).
    struct WizardButtons {
        QPushButton* back = nullptr;
        QPushButton* next = nullptr;
        QPushButton* finish = nullptr;
    };

    WizardPages m_pages;
    bool m_showing = false;
    std::array<QGroupBox*, 8> m_frames{};
    QButtonGroup* m_optRamType = nullptr;
    std::array<QButtonGroup*, kGenerationCount> m_speedOptions{};
    QComboBox* m_cboDataWidth = nullptr;
    QComboBox* m_cboSize = nullptr;
    QComboBox* m_cboSide = nullptr;
    QCheckBox* m_ecc = nullptr;
    std::array<QComboBox*, kTimingListCount> m_timing{};
    QLineEdit* m_jedecId = nullptr;
    QLineEdit* m_partNumber = nullptr;
    WizardButtons m_buttons;
};

}  // namespace tessaro

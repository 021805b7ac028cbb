#pragma once

#include "decode/decodedview.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QLabel;

namespace tessaro {

// The two pairs of decoded panels, "SPD 資訊" and "模組製造資訊": one pair for
// SDR/DDR/DDR2 images and one for DDR3, of which the decoded view shows one.
class DecodedPanels : public QWidget
{
    Q_OBJECT
public:
    explicit DecodedPanels(QWidget* parent = nullptr);

    void showView(const DecodedView& view);

    // For tests and the report: the text shown beside a caption.
    [[nodiscard]] QString legacyText(LegacyField field) const;
    [[nodiscard]] QString ddr3Text(Ddr3Field field) const;
    [[nodiscard]] QString legacyManufacturer() const;
    [[nodiscard]] QString ddr3Manufacturer() const;
    [[nodiscard]] QString crcCaption() const;
    [[nodiscard]] QString crcValue() const;
    [[nodiscard]] bool ddr3Shown() const;
    // The label of the shown pair that holds a value set by name ("partNumber"), or nullptr.
    [[nodiscard]] QLabel* valueLabel(const QString& name) const;

signals:
    // A double-click or Enter on the manufacturer, date, serial number, part
    // number or revision: the operator wants to edit that value.
    void valueEditRequested(const QString& name);

private:
    // One pair of panels: the values beside their captions, and the
    // manufacturer's name beside its code.
    template <std::size_t N>
    struct PanelPair {
        QWidget* widget = nullptr;
        std::array<QLabel*, N> values{};
        QLabel* manufacturerName = nullptr;
    };
    PanelPair<kLegacyFieldCount> m_legacy;
    PanelPair<kDdr3FieldCount> m_ddr3;
    QLabel* m_crcCaption = nullptr;  // the DDR3 pair's CRC line
    QLabel* m_crcValue = nullptr;
};

}  // namespace tessaro

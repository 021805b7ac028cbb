#pragma once

#include "decode/valueedit.h"

#include <QDialog>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tessaro {

// What an edit dialog made of an image: the image after it and the bytes that
// now differ (check bytes included). changed is empty when nothing changed.
struct ImageEdit {
    std::vector<std::uint8_t> image;
    std::vector<ByteSpan> changed;
};

// One row of editors per settable value: a line for texts, times, speeds and
// voltages (the clock count at tCKmin and, when a value cannot be stored as
// typed, what would be stored shown beside it), a searchable list of the JEP106
// makers for the manufacturer, a check box per CAS latency, a check box for a
// profile's enable bit. Every value goes to the engine as text; the form holds
// no byte layout of its own.
class ValueForm : public QWidget
{
    Q_OBJECT
public:
    using Reader = std::function<std::vector<EditableField>(std::span<const std::uint8_t>)>;
    using Setter = std::function<EditOutcome(std::vector<std::uint8_t>&, const std::string&, const std::string&)>;

    ValueForm(Reader fields, Setter set, QWidget* parent = nullptr);

    // Shows the values of image; rows whose value the image lacks stay empty.
    void load(std::span<const std::uint8_t> image);
    // Stores every row the operator changed into image, in the form's order.
    // On the first refusal image is as it was and the engine's line is returned.
    [[nodiscard]] std::string apply(std::vector<std::uint8_t>& image) const;
    [[nodiscard]] bool hasChanges() const;

    // The text a row would hand to the engine, and typing into a row (tests).
    [[nodiscard]] QString valueText(const QString& name) const;
    void setValueText(const QString& name, const QString& text);
    // What the row shows beside the value: its clocks and the stored-value note.
    [[nodiscard]] QString clocksText(const QString& name) const;
    [[nodiscard]] QString noteText(const QString& name) const;
    [[nodiscard]] QWidget* editorOf(const QString& name) const;

signals:
    void edited();

private:
    struct Row {
        std::string name;
        QString original;  // the text loaded, as currentText gives it
        QLineEdit* line = nullptr;
        QComboBox* maker = nullptr;
        QCheckBox* flag = nullptr;
        std::vector<std::pair<int, QCheckBox*>> latencies;
        QLabel* clocks = nullptr;
        QLabel* note = nullptr;
    };
    void build(const std::vector<EditableField>& fields);
    void preview();
    [[nodiscard]] const Row* rowOf(const QString& name) const;
    [[nodiscard]] QString currentText(const Row& row) const;

    Reader m_fields;
    Setter m_set;
    std::vector<std::uint8_t> m_image;
    std::vector<Row> m_rows;
    QGridLayout* m_grid = nullptr;
    bool m_loading = false;
};

// A small dialog that edits some values of an image: one identity value from a
// decoded panel, every identity value, or the DDR4/DDR5 timings. OK stores
// them; a refused value keeps the dialog open with the engine's message.
class ValueEditDialog : public QDialog
{
    Q_OBJECT
public:
    // names: the values shown, in the engine's order; empty for all of them.
    ValueEditDialog(std::span<const std::uint8_t> image, std::vector<std::string> names, const QString& title,
                    QWidget* parent = nullptr);

    [[nodiscard]] ValueForm* form() const { return m_form; }
    [[nodiscard]] QString message() const;
    [[nodiscard]] const ImageEdit& result() const { return m_result; }

    void accept() override;

    // The value names a dialog of each kind shows.
    [[nodiscard]] static std::vector<std::string> IdentityNames();
    [[nodiscard]] static std::vector<std::string> TimingNames(std::span<const std::uint8_t> image);

private:
    std::vector<std::uint8_t> m_image;
    ValueForm* m_form = nullptr;
    QLabel* m_message = nullptr;
    ImageEdit m_result;
};

// The overclocking profiles of a DDR4 or DDR5 image: a list of them, the
// values of the selected one, adding one (from the JEDEC values or another
// profile), removing one. The dialog works on its own copy; OK hands back the
// image with every change made in it (one step), Cancel drops them.
class ProfileEditDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ProfileEditDialog(std::span<const std::uint8_t> image, QWidget* parent = nullptr);

    [[nodiscard]] ValueForm* form() const { return m_form; }
    [[nodiscard]] QListWidget* profileList() const { return m_list; }
    [[nodiscard]] QString message() const;
    [[nodiscard]] const ImageEdit& result() const { return m_result; }
    [[nodiscard]] const std::vector<std::uint8_t>& workingImage() const { return m_working; }

    // The operator's actions, also for tests. Each returns false and shows the
    // engine's message when it was refused.
    bool addProfile(const QString& kind, const QString& from);
    bool removeSelected();
    bool applyForm();  // the form's changes to the selected profile
    void selectProfile(int position);

    void accept() override;

private:
    void refreshList(int position);
    void showMessage(const std::string& error);
    [[nodiscard]] int selectedPosition() const;

    std::vector<std::uint8_t> m_original;
    std::vector<std::uint8_t> m_working;
    QListWidget* m_list = nullptr;
    ValueForm* m_form = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_from = nullptr;
    QPushButton* m_remove = nullptr;
    QLabel* m_message = nullptr;
    ImageEdit m_result;
    int m_position = 0;  // the profile the form shows
};

// Runs `action` when the operator double-clicks `widget` or presses Enter on
// it; the widget takes the keyboard focus by Tab and click.
void OnActivated(QWidget* widget, std::function<void()> action);

// The operator's caption of a value name ("partNumber" -> "Part number");
// JEDEC timing names stay as they are.
[[nodiscard]] QString ValueCaption(const std::string& name);

}  // namespace tessaro

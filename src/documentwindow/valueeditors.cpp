#include "documentwindow/valueeditors.h"

#include "decode/jedec.h"
#include "decode/moduledecode.h"
#include "files/qttext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tessaro {

namespace {

const QColor kRefusedColour(200, 0, 0);

// "SAMSUNG (1:4E)": the form the engine prints a maker in and takes back.
QStringList MakerChoices()
{
    QStringList choices;
    choices.reserve(Jep106RowCount());
    for (int i = 0; i < Jep106RowCount(); ++i) {
        const Jep106Row& row = Jep106Rows()[i];
        QString name = QString::fromUtf8(row.name);
        if (name.size() >= 2 && name.startsWith(QLatin1Char('(')) && name.endsWith(QLatin1Char(')')))
            name = name.mid(1, name.size() - 2);
        const QString code = QStringLiteral("%1").arg(row.code, 2, 16, QLatin1Char('0')).toUpper();
        choices << QStringLiteral("%1 (%2:%3)").arg(name).arg(row.bank).arg(code);
    }
    return choices;
}

// "10 12 14" or "10,12,14": the latencies of a list.
QStringList LatenciesOf(const QString& text)
{
    return text.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
}

bool IsTime(const std::string& name)
{
    return !name.empty() && name.front() == 't';
}

void SetColour(QLabel* label, const QColor& colour)
{
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
}

// Watches one widget for a double-click or Enter.
class ActivationFilter : public QObject
{
public:
    ActivationFilter(QWidget* widget, std::function<void()> action)
        : QObject(widget)
        , m_action(std::move(action))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool enter = event->type() == QEvent::KeyPress &&
            (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::MouseButtonDblClick) {
            m_action();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_action;
};

}  // namespace

void OnActivated(QWidget* widget, std::function<void()> action)
{
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new ActivationFilter(widget, std::move(action)));
}

QString ValueCaption(const std::string& name)
{
    static const std::pair<const char*, const char*> kCaptions[] = {
        {"manufacturer", QT_TRANSLATE_NOOP("ValueForm", "Manufacturer")},
        {"manufactured", QT_TRANSLATE_NOOP("ValueForm", "Manufactured (year-week)")},
        {"serialNumber", QT_TRANSLATE_NOOP("ValueForm", "Serial number")},
        {"partNumber", QT_TRANSLATE_NOOP("ValueForm", "Part number")},
        {"moduleRevision", QT_TRANSLATE_NOOP("ValueForm", "Module revision")},
        {"speedMTs", QT_TRANSLATE_NOOP("ValueForm", "Speed (MT/s)")},
        {"casLatencies", QT_TRANSLATE_NOOP("ValueForm", "CAS latencies")},
        {"voltage", QT_TRANSLATE_NOOP("ValueForm", "Voltage")},
        {"name", QT_TRANSLATE_NOOP("ValueForm", "Profile name")},
        {"enabled", QT_TRANSLATE_NOOP("ValueForm", "Enabled")},
    };
    for (const auto& [key, caption] : kCaptions)
        if (name == key)
            return QCoreApplication::translate("ValueForm", caption);
    return QString::fromStdString(name);
}

// --- ValueForm ---

ValueForm::ValueForm(Reader fields, Setter set, QWidget* parent)
    : QWidget(parent)
    , m_fields(std::move(fields))
    , m_set(std::move(set))
{
    m_grid = new QGridLayout(this);
    m_grid->setColumnStretch(1, 1);
}

void ValueForm::build(const std::vector<EditableField>& fields)
{
    while (QLayoutItem* item = m_grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_rows.clear();
    static const QStringList makers = MakerChoices();
    int r = 0;
    for (const EditableField& field : fields) {
        Row row;
        row.name = field.name;
        auto* caption = new QLabel(ValueCaption(field.name), this);
        m_grid->addWidget(caption, r, 0);
        QWidget* editor = nullptr;
        if (field.name == "manufacturer") {
            row.maker = new QComboBox(this);
            row.maker->setEditable(true);
            row.maker->setInsertPolicy(QComboBox::NoInsert);
            row.maker->addItems(makers);
            row.maker->completer()->setFilterMode(Qt::MatchContains);
            row.maker->completer()->setCaseSensitivity(Qt::CaseInsensitive);
            row.maker->completer()->setCompletionMode(QCompleter::PopupCompletion);
            connect(row.maker, &QComboBox::currentTextChanged, this, [this] { preview(); });
            editor = row.maker;
        } else if (field.name == "enabled") {
            row.flag = new QCheckBox(this);
            connect(row.flag, &QCheckBox::toggled, this, [this] { preview(); });
            editor = row.flag;
        } else if (!field.choices.empty()) {
            auto* boxes = new QWidget(this);
            auto* boxGrid = new QGridLayout(boxes);
            boxGrid->setContentsMargins(0, 0, 0, 0);
            boxGrid->setHorizontalSpacing(4);
            boxGrid->setVerticalSpacing(0);
            int i = 0;
            for (int cl : field.choices) {
                auto* box = new QCheckBox(QString::number(cl), boxes);
                box->setObjectName(QStringLiteral("cl%1").arg(cl));
                connect(box, &QCheckBox::toggled, this, [this] { preview(); });
                boxGrid->addWidget(box, i / 10, i % 10);
                row.latencies.emplace_back(cl, box);
                ++i;
            }
            editor = boxes;
        } else {
            row.line = new QLineEdit(this);
            row.line->setMinimumWidth(260);
            if (IsTime(field.name))
                row.line->setPlaceholderText(tr("ns, or ps with \"ps\""));
            connect(row.line, &QLineEdit::textEdited, this, [this] { preview(); });
            editor = row.line;
        }
        editor->setObjectName(QString::fromStdString(field.name));
        caption->setBuddy(editor);
        m_grid->addWidget(editor, r, 1);
        row.clocks = new QLabel(this);
        row.clocks->setObjectName(QString::fromStdString(field.name) + QStringLiteral("Clocks"));
        m_grid->addWidget(row.clocks, r, 2);
        row.note = new QLabel(this);
        row.note->setObjectName(QString::fromStdString(field.name) + QStringLiteral("Note"));
        m_grid->addWidget(row.note, r, 3);
        m_rows.push_back(std::move(row));
        ++r;
    }
    m_grid->setRowStretch(r, 1);
}

void ValueForm::load(std::span<const std::uint8_t> image)
{
    m_image.assign(image.begin(), image.end());
    const std::vector<EditableField> fields = m_fields(image);
    const bool same = fields.size() == m_rows.size() &&
        std::equal(fields.begin(), fields.end(), m_rows.begin(),
                   [](const EditableField& f, const Row& r) { return f.name == r.name; });
    if (!same)
        build(fields);
    m_loading = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Row& row = m_rows[i];
        const QString text = ToQString(fields[i].text.value_or(""));
        if (row.line)
            row.line->setText(text);
        if (row.maker)
            row.maker->setEditText(text);
        if (row.flag)
            row.flag->setChecked(text == QLatin1String("true"));
        if (!row.latencies.empty()) {
            const QStringList listed = LatenciesOf(text);
            for (auto& [cl, box] : row.latencies)
                box->setChecked(listed.contains(QString::number(cl)));
        }
        row.original = currentText(row);
    }
    m_loading = false;
    preview();
}

QString ValueForm::currentText(const Row& row) const
{
    if (row.maker)
        return row.maker->currentText().trimmed();
    if (row.flag)
        return row.flag->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    if (!row.latencies.empty()) {
        QStringList checked;
        for (const auto& [cl, box] : row.latencies)
            if (box->isChecked())
                checked << QString::number(cl);
        return checked.join(QLatin1Char(','));
    }
    QString text = row.line->text().trimmed();
    // A time typed as a bare number is in nanoseconds, as the field shows it.
    if (IsTime(row.name) && !text.isEmpty() && text.back().isDigit())
        text += QStringLiteral(" ns");
    return text;
}

bool ValueForm::hasChanges() const
{
    return std::any_of(m_rows.begin(), m_rows.end(), [this](const Row& row) { return currentText(row) != row.original; });
}

std::string ValueForm::apply(std::vector<std::uint8_t>& image) const
{
    std::vector<std::uint8_t> edited = image;
    for (const Row& row : m_rows) {
        const QString text = currentText(row);
        if (text == row.original)
            continue;
        const EditOutcome outcome = m_set(edited, row.name, text.toStdString());
        if (!outcome.ok())
            return outcome.error;
    }
    image = std::move(edited);
    return {};
}

void ValueForm::preview()
{
    if (m_loading)
        return;
    // Every changed row stored in a copy, as OK would: the clocks follow a new tCKmin.
    std::vector<std::uint8_t> trial = m_image;
    std::vector<QString> notes(m_rows.size());
    std::vector<bool> refused(m_rows.size(), false);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const QString text = currentText(m_rows[i]);
        if (text == m_rows[i].original)
            continue;
        const EditOutcome outcome = m_set(trial, m_rows[i].name, text.toStdString());
        if (!outcome.ok()) {
            notes[i] = ToQString(outcome.error);
            refused[i] = true;
        } else if (!outcome.exact) {
            notes[i] = tr("stored as %1").arg(ToQString(outcome.stored));
        }
    }
    const std::vector<EditableField> fields = m_fields(trial);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        const auto field = std::find_if(fields.begin(), fields.end(),
                                        [&](const EditableField& f) { return f.name == row.name; });
        const bool withClocks = field != fields.end() && field->clocks && row.name != "tCKmin";
        row.clocks->setText(withClocks ? tr("%1 clocks").arg(*field->clocks) : QString());
        row.note->setText(notes[i]);
        SetColour(row.note, refused[i] ? kRefusedColour : palette().color(QPalette::WindowText));
    }
    emit edited();
}

const ValueForm::Row* ValueForm::rowOf(const QString& name) const
{
    const std::string key = name.toStdString();
    const auto row = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.name == key; });
    return row == m_rows.end() ? nullptr : &*row;
}

QString ValueForm::valueText(const QString& name) const
{
    const Row* row = rowOf(name);
    return row ? currentText(*row) : QString();
}

void ValueForm::setValueText(const QString& name, const QString& text)
{
    const Row* row = rowOf(name);
    if (!row)
        return;
    if (row->line)
        row->line->setText(text);
    if (row->maker)
        row->maker->setEditText(text);
    if (row->flag)
        row->flag->setChecked(text == QLatin1String("true"));
    if (!row->latencies.empty()) {
        const QStringList listed = LatenciesOf(text);
        for (const auto& [cl, box] : row->latencies)
            box->setChecked(listed.contains(QString::number(cl)));
    }
    preview();
}

QString ValueForm::clocksText(const QString& name) const
{
    const Row* row = rowOf(name);
    return row ? row->clocks->text() : QString();
}

QString ValueForm::noteText(const QString& name) const
{
    const Row* row = rowOf(name);
    return row ? row->note->text() : QString();
}

QWidget* ValueForm::editorOf(const QString& name) const
{
    return findChild<QWidget*>(name);
}

// --- ValueEditDialog ---

namespace {

QLabel* MessageLabel(QWidget* parent)
{
    auto* message = new QLabel(parent);
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    SetColour(message, kRefusedColour);
    message->hide();
    return message;
}

void ShowRefusal(QLabel* message, const std::string& error)
{
    message->setText(QCoreApplication::translate("ValueForm", "Not stored: %1").arg(ToQString(error)));
    message->show();
}

}  // namespace

std::vector<std::string> ValueEditDialog::IdentityNames()
{
    return {"manufacturer", "manufactured", "serialNumber", "partNumber", "moduleRevision"};
}

std::vector<std::string> ValueEditDialog::TimingNames(std::span<const std::uint8_t> image)
{
    const std::vector<std::string> identity = IdentityNames();
    std::vector<std::string> names;
    for (const EditableField& field : EditableFields(image))
        if (std::find(identity.begin(), identity.end(), field.name) == identity.end())
            names.push_back(field.name);
    return names;
}

ValueEditDialog::ValueEditDialog(std::span<const std::uint8_t> image, std::vector<std::string> names,
                                 const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_image(image.begin(), image.end())
{
    setObjectName(QStringLiteral("valueEditDialog"));
    setWindowTitle(title);
    auto reader = [names = std::move(names)](std::span<const std::uint8_t> bytes) {
        std::vector<EditableField> fields = EditableFields(bytes);
        if (!names.empty())
            std::erase_if(fields, [&](const EditableField& f) {
                return std::find(names.begin(), names.end(), f.name) == names.end();
            });
        return fields;
    };
    m_form = new ValueForm(reader, [](std::vector<std::uint8_t>& bytes, const std::string& name,
                                      const std::string& value) { return SetField(bytes, name, value); },
                           this);
    m_form->load(m_image);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    m_message = MessageLabel(this);
    layout->addWidget(m_message);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ValueEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ValueEditDialog::reject);
    layout->addWidget(buttons);
}

QString ValueEditDialog::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ValueEditDialog::accept()
{
    std::vector<std::uint8_t> edited = m_image;
    if (const std::string error = m_form->apply(edited); !error.empty()) {
        ShowRefusal(m_message, error);
        return;
    }
    m_result.changed = ChangedBytes(m_image, edited);
    m_result.image = std::move(edited);
    QDialog::accept();
}

// --- ProfileEditDialog ---

ProfileEditDialog::ProfileEditDialog(std::span<const std::uint8_t> image, QWidget* parent)
    : QDialog(parent)
    , m_original(image.begin(), image.end())
    , m_working(m_original)
{
    setObjectName(QStringLiteral("profileEditDialog"));
    setWindowTitle(tr("Overclocking profiles"));
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);

    auto* left = new QVBoxLayout;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("profileList"));
    left->addWidget(m_list, 1);
    auto* addLine = new QHBoxLayout;
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("profileKind"));
    if (m_original.size() >= 1024) {
        m_kind->addItem(QStringLiteral("XMP 3.0"));
        m_kind->addItem(QStringLiteral("EXPO"));
    } else {
        m_kind->addItem(QStringLiteral("XMP 2.0"));
    }
    m_from = new QComboBox(this);
    m_from->setObjectName(QStringLiteral("profileSource"));
    auto* add = new QPushButton(tr("Add"), this);
    add->setObjectName(QStringLiteral("addProfile"));
    addLine->addWidget(m_kind);
    addLine->addWidget(new QLabel(tr("from"), this));
    addLine->addWidget(m_from, 1);
    addLine->addWidget(add);
    left->addLayout(addLine);
    m_remove = new QPushButton(tr("Remove"), this);
    m_remove->setObjectName(QStringLiteral("removeProfile"));
    left->addWidget(m_remove);
    columns->addLayout(left);

    auto* right = new QVBoxLayout;
    m_form = new ValueForm(
        [this](std::span<const std::uint8_t> bytes) { return ProfileFields(bytes, m_position); },
        [this](std::vector<std::uint8_t>& bytes, const std::string& name, const std::string& value) {
            return SetProfileField(bytes, m_position, name, value);
        },
        this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_form);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(620, 480);
    right->addWidget(scroll, 1);
    auto* apply = new QPushButton(tr("Apply to this profile"), this);
    apply->setObjectName(QStringLiteral("applyProfile"));
    right->addWidget(apply, 0, Qt::AlignRight);
    columns->addLayout(right, 1);

    m_message = MessageLabel(this);
    layout->addWidget(m_message);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    connect(add, &QPushButton::clicked, this,
            [this] { addProfile(m_kind->currentText(), m_from->currentData().toString()); });
    connect(m_remove, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(apply, &QPushButton::clicked, this, [this] { applyForm(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        const int position = row < 0 ? 0 : m_list->item(row)->data(Qt::UserRole).toInt();
        if (position == m_position)
            return;
        if (m_form->hasChanges() && !applyForm()) {
            // Back to the profile whose values were refused, its edits kept.
            for (int r = 0; r < m_list->count(); ++r)
                if (m_list->item(r)->data(Qt::UserRole).toInt() == m_position)
                    QTimer::singleShot(0, m_list, [list = m_list, r] { const QSignalBlocker block(list); list->setCurrentRow(r); });
            return;
        }
        selectProfile(position);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &ProfileEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProfileEditDialog::reject);

    refreshList(0);
    selectProfile(selectedPosition());
}

int ProfileEditDialog::selectedPosition() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void ProfileEditDialog::refreshList(int position)
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    m_from->clear();
    m_from->addItem(tr("the JEDEC values"), QStringLiteral("jedec"));
    const std::vector<OverclockProfile> profiles = OverclockProfiles(m_working);
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const int at = static_cast<int>(i) + 1;
        if (ProfileFields(m_working, at).empty())
            continue;
        const OverclockProfile& p = profiles[i];
        QString text = QStringLiteral("%1 %2").arg(ToQString(p.kind)).arg(p.index);
        if (p.name && !p.name->empty())
            text += QStringLiteral(" \"%1\"").arg(ToQString(*p.name));
        if (!p.enabled)
            text += QLatin1Char(' ') + tr("(disabled)");
        auto* item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, at);
        if (at == position || (position == 0 && m_list->count() == 1))
            m_list->setCurrentItem(item);
        m_from->addItem(QStringLiteral("%1 %2").arg(ToQString(p.kind)).arg(p.index), QString::number(at));
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
    m_remove->setEnabled(m_list->count() > 0);
}

void ProfileEditDialog::selectProfile(int position)
{
    m_position = position;
    for (int r = 0; r < m_list->count(); ++r) {
        if (m_list->item(r)->data(Qt::UserRole).toInt() == position) {
            const QSignalBlocker block(m_list);
            m_list->setCurrentRow(r);
        }
    }
    m_form->load(m_working);
}

void ProfileEditDialog::showMessage(const std::string& error)
{
    if (error.empty())
        m_message->hide();
    else
        ShowRefusal(m_message, error);
}

bool ProfileEditDialog::applyForm()
{
    std::vector<std::uint8_t> edited = m_working;
    const std::string error = m_form->apply(edited);
    showMessage(error);
    if (!error.empty())
        return false;
    m_working = std::move(edited);
    refreshList(m_position);
    m_form->load(m_working);
    return true;
}

bool ProfileEditDialog::addProfile(const QString& kind, const QString& from)
{
    if (m_form->hasChanges() && !applyForm())
        return false;
    std::vector<std::uint8_t> edited = m_working;
    const EditOutcome outcome = AddProfile(edited, kind.toStdString(), from.toStdString());
    showMessage(outcome.error);
    if (!outcome.ok())
        return false;
    m_working = std::move(edited);
    const int position = std::stoi(outcome.stored);
    refreshList(position);
    selectProfile(position);
    return true;
}

bool ProfileEditDialog::removeSelected()
{
    if (m_position == 0)
        return false;
    std::vector<std::uint8_t> edited = m_working;
    const EditOutcome outcome = RemoveProfile(edited, m_position);
    showMessage(outcome.error);
    if (!outcome.ok())
        return false;
    m_working = std::move(edited);
    refreshList(0);
    selectProfile(selectedPosition());
    return true;
}

QString ProfileEditDialog::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ProfileEditDialog::accept()
{
    if (m_form->hasChanges() && !applyForm())
        return;
    m_result.changed = ChangedBytes(m_original, m_working);
    m_result.image = m_working;
    QDialog::accept();
}

}  // namespace tessaro

#include "documentwindow/gridfind.h"

#include "documentwindow/bytegrid.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include <functional>

namespace tessaro {

namespace {

// The reasons ParseFindPattern gives, as the window shows them.
[[maybe_unused]] const char* const kPatternErrors[] = {
    QT_TRANSLATE_NOOP("tessaro::GridFind", "nothing to find"),
    QT_TRANSLATE_NOOP("tessaro::GridFind", "only hex digits and spaces"),
    QT_TRANSLATE_NOOP("tessaro::GridFind", "hex bytes are pairs of digits"),
};

void AddShortcut(QWidget* window, const QKeySequence& key, QObject* receiver, const std::function<void()>& run)
{
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);  // windows side by side in a workspace do not clash
    QObject::connect(shortcut, &QShortcut::activated, receiver, run);
}

}  // namespace

GridFind::GridFind(ByteGrid* grid, QWidget* window)
    : QObject(window)
    , m_grid(grid)
    , m_window(window)
{
    AddShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_F), this, [this] { askAndFind(); });
    AddShortcut(window, QKeySequence(Qt::Key_F3), this, [this] { findNext(false); });
    AddShortcut(window, QKeySequence(Qt::SHIFT | Qt::Key_F3), this, [this] { findNext(true); });
    AddShortcut(window, QKeySequence(Qt::CTRL | Qt::Key_G), this, [this] { askAndGoTo(); });
}

std::vector<std::uint8_t> GridFind::presentBytes() const
{
    std::vector<std::uint8_t> bytes;
    const GridCells& cells = m_grid->cells();
    for (int i = 0; i < cells.count() && cells.byteAt(i) >= 0; ++i)
        bytes.push_back(static_cast<std::uint8_t>(cells.byteAt(i)));
    return bytes;
}

void GridFind::askAndFind()
{
    QDialog dialog(m_window);
    dialog.setWindowTitle(tr("Find"));
    auto* text = new QLineEdit(m_text, &dialog);
    text->setObjectName(QStringLiteral("findText"));
    text->selectAll();
    auto* kind = new QComboBox(&dialog);
    kind->setObjectName(QStringLiteral("findKind"));
    kind->addItem(tr("Hex bytes"));
    kind->addItem(tr("Text"));
    kind->setCurrentIndex(m_kind == FindKind::Hex ? 0 : 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Find"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(tr("Find:"), text);
    form->addRow(tr("As:"), kind);
    form->addRow(buttons);
    text->setToolTip(tr("Hex bytes: \"4D 54\" or \"4d54\"; text: the characters themselves"));
    if (dialog.exec() == QDialog::Accepted)
        find(text->text(), kind->currentIndex() == 0 ? FindKind::Hex : FindKind::Text);
}

bool GridFind::find(const QString& text, FindKind kind)
{
    const FindPattern pattern = ParseFindPattern(text.toStdString(), kind);
    if (!pattern.error.empty()) {
        emit statusMessage(
            tr("Cannot search for \"%1\": %2")
                .arg(text, QCoreApplication::translate("tessaro::GridFind", pattern.error.c_str())));
        return false;
    }
    m_text = text;
    m_kind = kind;
    m_pattern = pattern.bytes;
    return search(m_grid->selectionFirst(), false);
}

bool GridFind::findNext(bool backward)
{
    if (m_pattern.empty()) {
        askAndFind();
        return false;
    }
    return search(m_grid->selectionFirst() + (backward ? -1 : 1), backward);
}

bool GridFind::search(int from, bool backward)
{
    const std::vector<std::uint8_t> bytes = presentBytes();
    const int size = static_cast<int>(bytes.size());
    const FindMatch match = FindBytes(bytes, m_pattern, size > 0 ? (from % size + size) % size : 0, backward);
    if (match.offset < 0) {
        emit statusMessage(tr("Not found: %1").arg(m_text));
        return false;
    }
    m_grid->selectRange(match.offset, match.offset + static_cast<int>(m_pattern.size()) - 1);
    m_grid->setFocus();
    const QString where = ByteGrid::byteCaption(match.offset);
    if (!match.wrapped)
        emit statusMessage(tr("Found at %1").arg(where));
    else if (backward)
        emit statusMessage(tr("Reached the start, continued from the end: found at %1").arg(where));
    else
        emit statusMessage(tr("Reached the end, continued from the start: found at %1").arg(where));
    return true;
}

void GridFind::askAndGoTo()
{
    const int last = m_grid->cells().count() - 1;
    bool ok = false;
    const QString text = QInputDialog::getText(
        m_window, tr("Go to Offset"),
        tr("Offset in hex, 0 to %1 (\"1A\", \"1Ah\" or \"0x1A\"):").arg(QString::number(last, 16).toUpper()),
        QLineEdit::Normal, QString(), &ok);
    if (ok)
        goTo(text);
}

bool GridFind::goTo(const QString& text)
{
    const int size = m_grid->cells().count();
    const std::optional<int> offset = ParseOffset(text.toStdString(), size);
    if (!offset) {
        emit statusMessage(tr("\"%1\" is no offset of this image: hex 0 to %2")
                               .arg(text, QString::number(size - 1, 16).toUpper()));
        return false;
    }
    m_grid->selectRange(*offset, *offset);
    m_grid->setFocus();
    return true;
}

}  // namespace tessaro

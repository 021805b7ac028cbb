#include "files/recentfiles.h"

#include "files/settingsstore.h"

namespace tessaro {

static_assert(RecentFileList::kEntries == SettingsStore::kHistoryEntries);

const RecentFileList::Entry& RecentFileList::entry(int i) const
{
    Q_ASSERT(i >= 1 && i <= kEntries);
    return m_entries[static_cast<std::size_t>(i - 1)];
}

RecentFileList::Entry& RecentFileList::at(int i)
{
    Q_ASSERT(i >= 1 && i <= kEntries);
    return m_entries[static_cast<std::size_t>(i - 1)];
}

void RecentFileList::restore(SettingsStore& store)
{
    for (int i = 1; i <= kEntries; ++i) {
        const QString path = store.readHistory(i);
        Entry& e = at(i);
        if (path.isEmpty()) {
            e.visible = false;
            continue;
        }
        e.caption = path;
        e.visible = true;
        if (i == 1)
            m_separatorVisible = true;
    }
}

void RecentFileList::add(const QString& name)
{
    Entry& e1 = at(1);
    Entry& e2 = at(2);
    Entry& e3 = at(3);
    // Each step looks only at the first hidden entry; the entries below it are
    // left alone, even when a stored list left gaps in it.
    if (!e1.visible) {
        e1.caption = name;
        e1.visible = true;
        m_separatorVisible = true;
        return;
    }
    if (name == e1.caption)
        return;
    if (!e2.visible) {
        e2.caption = e1.caption;
        e1.caption = name;
        e2.visible = true;
        return;
    }
    if (name != e2.caption) {
        // A new name pushes the others down; the old third entry falls off,
        // also when it equals name.
        e3.caption = e2.caption;
        e3.visible = true;
    }
    e2.caption = e1.caption;
    e1.caption = name;
}

void RecentFileList::save(SettingsStore& store) const
{
    for (int i = 1; i <= kEntries; ++i) {
        if (entry(i).visible)
            store.writeHistory(i, entry(i).caption);
    }
}

}  // namespace tessaro

#pragma once

#include <QString>

#include <array>

namespace tessaro {

class SettingsStore;

// The recent-file entries at the end of the File menu: at most three file
// paths, most recent first. An entry has a caption and a visible flag; a
// hidden entry keeps its old caption but counts as empty. The main window
// builds its menu entries from this list after each change.
class RecentFileList
{
public:
    static constexpr int kEntries = 3;

    struct Entry {
        QString caption;
        bool visible = false;
    };

    // Start-up: entry i shows the stored "History" value i when that is
    // present and is hidden otherwise; the separator appears with entry 1.
    void restore(SettingsStore& store);

    // Puts name (the full path of a file just opened) at the top. Names are
    // compared exactly, upper and lower case distinct.
    void add(const QString& name);

    // Writes every visible entry back as its "History" value; the stored
    // values of hidden entries stay as they are.
    void save(SettingsStore& store) const;

    // Entry i, i = 1..3.
    [[nodiscard]] const Entry& entry(int i) const;
    // The separator under the entries, shown once entry 1 has been shown.
    [[nodiscard]] bool separatorVisible() const { return m_separatorVisible; }

private:
    [[nodiscard]] Entry& at(int i);

    std::array<Entry, kEntries> m_entries;
    bool m_separatorVisible = false;
};

}  // namespace tessaro

#pragma once

#include <QString>

namespace tessaro {

// Built into the system: always accepted at the entry dialog, and the marker
// written to "PASS1" once a password has been set.
inline constexpr const char* kDefaultPassword = "QX527";

// True when no password was ever set: the first five characters of the stored
// marker are not the default password (an empty or missing marker included).
[[nodiscard]] bool NeedsFirstPassword(const QString& marker);

// Whether an entry opens the entry dialog: its upper-case form equals the
// default password or the upper-cased stored password. An empty stored
// password therefore accepts an empty entry.
[[nodiscard]] bool PasswordAccepted(const QString& entry, const QString& storedPassword);

}  // namespace tessaro

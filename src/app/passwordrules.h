#pragma once

#include <QString>

namespace tessaro {

// Built into the system: always accepted at the entry dialog, and the marker
// written to "PASS1" once a password has been set.
inline constexpr const char* kDefaultPassword = "QX527";

// Rounds of PBKDF2-HMAC-SHA256 for a newly stored password: about a tenth of
// a second on an ordinary workstation.
inline constexpr int kPasswordIterations = 100000;

// True when no password was ever set: the first five characters of the stored
// marker are not the default password (an empty or missing marker included).
[[nodiscard]] bool NeedsFirstPassword(const QString& marker);

// Which password dialog the start-up shows. The first-time setting dialog is
// shown while no usable password is stored: no marker, or a marker without a
// password (an earlier version stored an empty or one-character password,
// which reads back as missing). It is not offered when the store cannot be
// written, since the new password would be lost; the entry dialog then still
// opens with the default password when the marker is there.
enum class StartPasswordDialog { SetFirst, Login, None };
[[nodiscard]] StartPasswordDialog StartDialogFor(const QString& marker, const QString& storedPassword,
                                                 bool storeWritable);

// A new password must hold at least one character.
[[nodiscard]] bool PasswordAllowed(const QString& password);

// The stored form of a password: "pbkdf2-sha256$ROUNDS$SALT$HASH", SALT (16
// random bytes) and HASH (32 bytes) in Base64. Letter case does not count at
// the entry, so the upper-case form of the password is what is hashed.
[[nodiscard]] QString HashPassword(const QString& password, int iterations = kPasswordIterations);

// Whether a stored "PASS2" value is in the hashed form; anything else that is
// not empty is a password an earlier version stored as typed.
[[nodiscard]] bool IsHashedPassword(const QString& stored);

// Whether an entry opens the entry dialog: its upper-case form is the default
// password, or it matches the stored password without regard to letter case
// (the hashed form, or the plain text of an earlier version). Nothing but the
// default password is accepted when no password is stored, and an empty
// entry never matches a stored password.
[[nodiscard]] bool PasswordAccepted(const QString& entry, const QString& storedPassword);

}  // namespace tessaro

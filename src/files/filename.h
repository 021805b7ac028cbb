#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace tessaro {

// A file name as the system keeps it is a string of bytes that need not be
// UTF-8. In a QString every valid UTF-8 sequence of the name stands for its
// character and every other byte b for the lone surrogate U+DC00 + b, so that
// the name goes from the command line or a folder listing to the system call
// unchanged: FileNameBytes(FileNameFromBytes(x)) == x for every x.
// FileNameString also gives the bytes of a message that holds file names
// (the command line prints them as they were given).
[[nodiscard]] QString FileNameFromBytes(std::string_view bytes);
[[nodiscard]] QByteArray FileNameBytes(const QString& name);
[[nodiscard]] std::string FileNameString(const QString& name);

// The name made absolute against the working folder and cleaned ("a/../b"
// becomes "b"), keeping every byte (QFileInfo would lose those not UTF-8).
[[nodiscard]] QString AbsoluteFileName(const QString& name);

// Whether two names stand for the same file: the same device and inode when
// both exist (through a link, another relative path, a hard link), else the
// same absolute name.
[[nodiscard]] bool SameFile(const QString& a, const QString& b);

// The name with each byte that is not UTF-8 shown as U+FFFD, for a window.
[[nodiscard]] QString FileNameForDisplay(const QString& name);

// The file a file dialog means. A dialog lists a name that is not UTF-8 with
// U+FFFD in place of each undecodable byte. When exactly one entry of the
// folder reads as the chosen name, that entry is the file; a name that no
// entry reads as (a new file) is kept; when several entries read the same way
// (one of them may really hold U+FFFD), nothing tells them apart and the
// result is empty.
[[nodiscard]] QString ResolveDialogFileName(const QString& chosen);

}  // namespace tessaro

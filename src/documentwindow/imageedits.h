#pragma once

#include "documentwindow/valueeditors.h"

#include <QString>

#include <span>
#include <string>
#include <vector>

class QWidget;

namespace tessaro {

class DocumentEditor;
class SpdDocument;

// Opens the dialog that edits `names` of image (all identity values when
// names holds several); returns what OK made of it, nothing changed when the
// operator cancelled or changed nothing.
[[nodiscard]] ImageEdit EditValuesInDialog(QWidget* parent, std::span<const std::uint8_t> image,
                                           std::vector<std::string> names, const QString& title);
[[nodiscard]] ImageEdit EditProfilesInDialog(QWidget* parent, std::span<const std::uint8_t> image);

// Writes the bytes an edit changed into a document as the document's own
// writes do (edited marks, its check mode keeping the check bytes, decode,
// modified flag); the check bytes the edit computed are left to that mode.
// Run inside a window's recordStep, so the edit is one undo step.
void WriteImageEdit(DocumentEditor& editor, const ImageEdit& edit);
void WriteImageEdit(SpdDocument& document, const ImageEdit& edit);

}  // namespace tessaro

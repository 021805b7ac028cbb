#pragma once

#include "documentwindow/valueeditors.h"

#include <QString>

#include <span>
#include <string>
#include <vector>

class QWidget;

namespace tessaro {

class ModuleDocument;
class SpdDocument;

// Opens the dialog that edits `names` of image (all identity values when
// names holds several); returns what OK made of it, nothing changed when the
// operator cancelled or changed nothing.
[[nodiscard]] ImageEdit EditValuesInDialog(QWidget* parent, std::span<const std::uint8_t> image,
                                           std::vector<std::string> names, const QString& title);
[[nodiscard]] ImageEdit EditProfilesInDialog(QWidget* parent, std::span<const std::uint8_t> image);

// Writes the changed bytes of an edit into a document, marked edited, and
// decodes them; the check bytes are those the edit computed. Run inside a
// window's recordStep, so the edit is one undo step.
void WriteImageEdit(SpdDocument& document, const ImageEdit& edit);
void WriteImageEdit(ModuleDocument& document, const ImageEdit& edit);

}  // namespace tessaro

#include "documentwindow/imageedits.h"

#include "document/moduledocument.h"
#include "document/spddocument.h"

namespace tessaro {

ImageEdit EditValuesInDialog(QWidget* parent, std::span<const std::uint8_t> image, std::vector<std::string> names,
                             const QString& title)
{
    ValueEditDialog dialog(image, std::move(names), title, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.result();
}

ImageEdit EditProfilesInDialog(QWidget* parent, std::span<const std::uint8_t> image)
{
    ProfileEditDialog dialog(image, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.result();
}

void WriteImageEdit(SpdDocument& document, const ImageEdit& edit)
{
    if (edit.changed.empty())
        return;
    for (const ByteSpan& span : edit.changed) {
        for (int n = span.first; n <= span.last; ++n) {
            document.setMark(n, Mark::Edited);
            document.setByte(n, edit.image[static_cast<std::size_t>(n)]);
        }
    }
    document.decodeAll();
    document.setModified(true);
}

void WriteImageEdit(ModuleDocument& document, const ImageEdit& edit)
{
    for (const ByteSpan& span : edit.changed) {
        const auto first = edit.image.begin() + span.first;
        document.writeBytes(span.first, std::span<const std::uint8_t>(first, first + (span.last - span.first + 1)));
    }
}

}  // namespace tessaro

#include "documentwindow/imageedits.h"

#include "document/spddocument.h"
#include "document/documenteditor.h"

#include <algorithm>

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

namespace {

// The runs of changed bytes without the check bytes, each run with its bytes.
template <typename Write>
void WriteFieldBytes(const ImageEdit& edit, Write write)
{
    const std::vector<ByteSpan> checks = CheckByteSpans(edit.image);
    const auto isCheck = [&](int n) {
        return std::any_of(checks.begin(), checks.end(), [n](const ByteSpan& s) { return n >= s.first && n <= s.last; });
    };
    for (const ByteSpan& span : edit.changed) {
        for (int n = span.first; n <= span.last;) {
            if (isCheck(n)) {
                ++n;
                continue;
            }
            const int first = n;
            while (n <= span.last && !isCheck(n))
                ++n;
            const auto begin = edit.image.begin() + first;
            write(first, std::span<const std::uint8_t>(begin, begin + (n - first)));
        }
    }
}

}  // namespace

void WriteImageEdit(DocumentEditor& editor, const ImageEdit& edit)
{
    WriteFieldBytes(edit, [&](int first, std::span<const std::uint8_t> bytes) { editor.pasteBytes(first, bytes); });
}

void WriteImageEdit(SpdDocument& document, const ImageEdit& edit)
{
    WriteFieldBytes(edit, [&](int first, std::span<const std::uint8_t> bytes) { document.writeBytes(first, bytes); });
}

}  // namespace tessaro

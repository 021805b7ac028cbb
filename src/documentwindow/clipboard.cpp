#include "documentwindow/clipboard.h"

#include "files/bytetext.h"

#include <QApplication>
#include <QClipboard>

namespace tessaro {

QString CopyBytesToClipboard(std::span<const std::uint8_t> bytes)
{
    QApplication::clipboard()->setText(QString::fromStdString(BytesToText(bytes)));
    return QStringLiteral("已複製 %1 個位元組 (%1 bytes copied)").arg(bytes.size());
}

ClipboardBytes ReadClipboardBytes()
{
    const DumpBytes read = BytesFromText(QApplication::clipboard()->text().toStdString());
    ClipboardBytes result;
    if (!read.ok()) {
        result.problem = QStringLiteral("剪貼簿沒有可貼上的十六進位位元組 (the clipboard holds no hex bytes: %1)")
                             .arg(QString::fromStdString(read.error));
        return result;
    }
    result.notKept = read.count - read.bytes.size();
    result.bytes = read.bytes;
    return result;
}

QString PastedNote(int written, std::uint64_t dropped)
{
    QString text = QStringLiteral("已貼上 %1 個位元組 (%1 bytes pasted)").arg(written);
    if (dropped > 0)
        text += QStringLiteral("; 超出映像結尾的 %1 個位元組未貼上 (%1 bytes beyond the end of the image dropped)")
                    .arg(dropped);
    return text;
}

}  // namespace tessaro

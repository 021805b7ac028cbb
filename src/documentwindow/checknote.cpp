#include "documentwindow/checknote.h"

#include "core/checks.h"
#include "core/hex.h"

#include <QCoreApplication>

namespace tessaro {

QString CheckMismatchNote(const SpdImage& image)
{
    const StoredCheck check = CheckOf(image, CheckMode::None);
    if (check.ok())
        return {};
    if (check.crc)
        return QCoreApplication::translate("CheckNote", "CRC mismatch: bytes 126-127 hold %1, the CRC of bytes 0-%2 is %3")
            .arg(QString::fromStdString(WordToHex(check.stored)))
            .arg(CrcLastByte(image))
            .arg(QString::fromStdString(WordToHex(check.computed)));
    return QCoreApplication::translate("CheckNote", "checksum mismatch: byte 63 holds %1, the sum of bytes 0-62 is %2")
        .arg(QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(check.stored))),
             QString::fromStdString(ByteToHex(static_cast<std::uint8_t>(check.computed))));
}

}  // namespace tessaro

#include "app/appicon.h"

namespace tessaro {

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/tessaro/icons/tessaro-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace tessaro

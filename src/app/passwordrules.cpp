#include "app/passwordrules.h"

namespace tessaro {

bool NeedsFirstPassword(const QString& marker)
{
    return marker.left(5) != QLatin1String(kDefaultPassword);
}

bool PasswordAccepted(const QString& entry, const QString& storedPassword)
{
    const QString typed = entry.toUpper();
    return typed == QLatin1String(kDefaultPassword) || typed == storedPassword.toUpper();
}

}  // namespace tessaro

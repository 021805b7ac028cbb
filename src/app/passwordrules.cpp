#include "app/passwordrules.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace tessaro {

namespace {

const QString kHashScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// A stored form asking for more rounds than this is not one of ours: it would
// only hold up the start-up.
constexpr int kMostIterations = 10'000'000;

QByteArray DeriveKey(const QString& password, const QByteArray& salt, int iterations, int length)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUpper().toUtf8(), salt,
                                              iterations, static_cast<quint64>(length));
}

// Compares in a time that does not depend on where the first difference is.
bool SameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

bool MatchesHash(const QString& entry, const QString& stored)
{
    const QStringList parts = stored.split(u'$');
    if (parts.size() != 4 || parts[0] != kHashScheme)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > kMostIterations)
        return false;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !hash || salt.decoded.isEmpty() || hash.decoded.size() != kHashBytes)
        return false;
    return SameBytes(DeriveKey(entry, salt.decoded, iterations, kHashBytes), hash.decoded);
}

}  // namespace

bool NeedsFirstPassword(const QString& marker)
{
    return marker.left(5) != QLatin1String(kDefaultPassword);
}

StartPasswordDialog StartDialogFor(const QString& marker, const QString& storedPassword, bool storeWritable)
{
    const bool markerSet = !NeedsFirstPassword(marker);
    if (markerSet && !storedPassword.isEmpty())
        return StartPasswordDialog::Login;
    if (storeWritable)
        return StartPasswordDialog::SetFirst;
    return markerSet ? StartPasswordDialog::Login : StartPasswordDialog::None;
}

bool PasswordAllowed(const QString& password)
{
    return !password.isEmpty();
}

QString HashPassword(const QString& password, int iterations)
{
    quint32 words[kSaltBytes / 4];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray salt(reinterpret_cast<const char*>(words), kSaltBytes);
    const QByteArray hash = DeriveKey(password, salt, iterations, kHashBytes);
    return kHashScheme + u'$' + QString::number(iterations) + u'$' + QString::fromLatin1(salt.toBase64()) + u'$' +
           QString::fromLatin1(hash.toBase64());
}

bool IsHashedPassword(const QString& stored)
{
    return stored.startsWith(kHashScheme + u'$');
}

bool PasswordAccepted(const QString& entry, const QString& storedPassword)
{
    if (entry.toUpper() == QLatin1String(kDefaultPassword))
        return true;
    if (entry.isEmpty() || storedPassword.isEmpty())
        return false;
    if (IsHashedPassword(storedPassword))
        return MatchesHash(entry, storedPassword);
    return entry.toUpper() == storedPassword.toUpper();
}

}  // namespace tessaro

#pragma once

#include <QByteArray>
#include <QCryptographicHash>

// The SHA-256 of some bytes in lower-case hex: what an archive's checksums
// and a folder move's journal name files by.
inline QByteArray Sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

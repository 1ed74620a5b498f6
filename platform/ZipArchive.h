#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Zip archives of plain files, made and read in memory through libzip.
struct ZipEntry {
    QString m_strName; // a relative path with '/' between its parts
    QByteArray m_data;
};

// The bytes of an archive of the entries, compressed, each stamped with
// `time` (seconds since the epoch); nullopt, with the reason in `error`,
// when libzip cannot make it.
std::optional<QByteArray> MakeZipArchive(const QList<ZipEntry>& entries, qint64 time,
                                         QString& error);

// What reading an archive may cost at most: an archive that expands beyond
// these is refused, whatever its directory claims, before the memory is used.
struct ZipLimits {
    qint64 m_nMaxEntrySize = 64 << 20;
    qint64 m_nMaxTotalSize = 128 << 20;
    int m_nMaxEntries = 1000;
};

struct ZipContents {
    enum class Failure {
        None,
        NotZip,         // no zip archive at all, or one cut short
        UnsafePath,     // an entry's name leads out of the archive's folder
        TooLarge,       // the entries expand beyond the limits
        TooManyEntries, // more entries than the limit
        Unsupported,    // encrypted entries, or a compression libzip does not know
    };
    Failure m_failure = Failure::None;
    QString m_strEntry;        // the entry the failure concerns, when there is one
    QList<ZipEntry> m_entries; // the files, in archive order; folders are left out
    // Entries whose data is broken (their checksum, their compression): the
    // others are read all the same.
    QStringList m_damaged;

    // The data of the entry of that name; nullopt when there is none.
    std::optional<QByteArray> Find(const QString& name) const;
};

ZipContents ReadZipArchive(QByteArrayView bytes, const ZipLimits& limits = {});

// Whether an entry's name stays inside the folder it is unpacked into: no
// absolute path, no drive, no "..", no backslash, no control character.
bool IsSafeZipEntryName(const QString& name);

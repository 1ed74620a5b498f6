#pragma once

#include "platform/FileFailure.h"
#include "study/CDictionary.h"
#include "study/ListSignature.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QtEndian>
#include <QtGlobal>
#include <iterator>
#include <optional>
#include <utility>

// The state files' names, versions, encodings and decodings, and the texts
// of their load and save failures: one codec for the load, the save, the
// carry-over to changed word lists and the saves during the drill.
inline const QString kMiscFileName = QStringLiteral("miscdata.dat");
inline const QString kHistoryFileName = QStringLiteral("histdata.dat");
inline const QString kSignatureFileName = QStringLiteral("wordlists.sig");
// The same, so that losing one of the two does not lose the word of which
// lists the files were written for.
inline const QString kSignatureCopyFileName = QStringLiteral("wordlists-copy.sig");

inline constexpr qint16 kListFileVersion = 1;
inline constexpr qint16 kMiscFileVersion = 2;
inline constexpr qint16 kHistoryFileVersion = 2;

// The first line of each save failure's message; the reason follows after
// a line break.
inline const QString kListSaveFailure =
    QStringLiteral("学習モードファイルを保存できませんでした。");
inline const QString kMiscSaveFailure = QStringLiteral("MISCファイルを保存できませんでした。");
inline const QString kHistorySaveFailure = QStringLiteral("履歴ファイルを保存できませんでした。");

// The name of list `list` (0 to 5) and of its learning-mode file.
QString ListName(int list);
QString ListFileName(int list);

template <typename T> void AppendValue(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

// A learning-mode file: the version, then ask count and mode per record.
// Written in place: a million records are part of a save the window waits
// for.
template <typename Records> QByteArray ListFileContent(const Records& records)
{
    QByteArray content(2 + 4 * qsizetype(std::size(records)), Qt::Uninitialized);
    char* out = content.data();
    qToLittleEndian<qint16>(kListFileVersion, out);
    out += 2;
    for (const auto& record : records) {
        qToLittleEndian<qint16>(record.m_nAskCount, out);
        qToLittleEndian<qint16>(record.m_nMode, out + 2);
        out += 4;
    }
    return content;
}

// A history file: the version, the position, the count, then index and
// answered flag per record.
template <typename Records> QByteArray HistoryFileContent(qint32 position, const Records& records)
{
    QByteArray content;
    AppendValue<qint16>(content, kHistoryFileVersion);
    AppendValue<qint32>(content, position);
    AppendValue<qint32>(content, static_cast<qint32>(std::size(records)));
    for (const auto& record : records) {
        AppendValue<qint32>(content, record.m_nIndex);
        AppendValue<qint32>(content, record.m_bAnswered);
    }
    return content;
}

// "miscdata.dat": the version, the total, the count, then key and count per
// study day, in the map's order.
QByteArray MiscFileContent(qint32 total, const QHash<int, int>& dayCounts);

// A state file's bytes as read from the folder, or as the carry-over made
// them for this run.
struct StoredFile {
    bool m_bExists = false;
    std::optional<FileFailure> m_openFailure; // it exists but could not be opened
    QByteArray m_bytes;
    std::optional<FileFailure> m_readError; // reading stopped there, after m_bytes

    static StoredFile Read(const QString& path);
    static StoredFile Holding(QByteArray bytes);
};

// One record of a learning-mode file, bits and all: the load takes an ask
// count with the top bit set as 0 and a mode outside 0 to 4 as Unspec.
struct ListRecord {
    qint16 m_nAskCount = 0;
    qint16 m_nMode = 0;
};

struct ListFileData {
    enum Status { Missing, Unreadable, UnknownVersion, Readable };
    Status m_status = Missing;
    QList<ListRecord> m_records; // every whole record
    // The record after them when the file ends after its ask count.
    std::optional<qint16> m_partialAskCount;
    // Unreadable: why; Readable: why no record follows m_records.
    FileFailure m_failure;
};

ListFileData DecodeListFile(const StoredFile& file);

// The records of a list's first `count` items as the load gives them, and
// the message the load shows for the file (empty when there is none). The
// item that needs a record the file cannot complete gets what was read of
// it, the rest 0; so do all later items.
struct ListRecords {
    QList<ListRecord> m_records;
    QString m_strProblem;
};
ListRecords TakeListRecords(const ListFileData& data, qsizetype count, const QString& fileName);

struct MiscFileData {
    bool m_bUnknownVersion = false;
    qint32 m_nTotal = 0;
    QList<std::pair<qint32, qint32>> m_days; // (day key, count) in file order
    // Reading stopped here; what was read before stays.
    std::optional<FileFailure> m_failure;
};

MiscFileData DecodeMiscFile(const StoredFile& file);
// The message the load shows for the file; empty when there is none.
QString MiscFileProblem(const MiscFileData& data);

struct HistoryFileData {
    enum Status { Missing, UnknownVersion, Failed, Readable };
    Status m_status = Missing;
    qint32 m_nPos = -1; // as stored, unchecked
    QList<CDictionary::CHistInfo> m_records;
    FileFailure m_failure; // Failed: why
};

HistoryFileData DecodeHistoryFile(const StoredFile& file);
// The message the load shows for the file; empty when there is none. A
// history that shows one is empty.
QString HistoryFileProblem(const HistoryFileData& data);

// "wordlists.sig": file name -> list name -> the version of that list the
// file was written for. A learning-mode file names its own list,
// "histdata.dat" all six.
using StateSignatures = QHash<QString, QHash<QString, ListSignature>>;

// A file of a staged carry-over as its signature file records it.
struct StagedFileStamp {
    qsizetype m_nSize = 0;
    QByteArray m_hash; // hex SHA-1 of the content

    static StagedFileStamp Of(const QByteArray& content);
    bool operator==(const StagedFileStamp&) const = default;
};
using StagedFiles = QMap<QString, StagedFileStamp>; // by file name

struct SignatureFile {
    StateSignatures m_signatures;
    StagedFiles m_staged;     // the files staged with it, in a carry-over
    bool m_bChecksum = false; // it carries its own checksum (files written before do not)
};

// The signature file ends with a checksum of everything before it.
QByteArray FormatStateSignatures(const StateSignatures& signatures, const StagedFiles& staged = {});
// Nothing for text that is not a signature file or whose checksum does not
// hold.
std::optional<SignatureFile> ReadSignatureFile(const QByteArray& text);
// False, with every entry unknown, where ReadSignatureFile gives nothing.
bool ParseStateSignatures(const QByteArray& text, StateSignatures& signatures);
// The version of `list` that `file` was written for; unknown (count -1)
// when the signatures do not say.
ListSignature SignatureEntry(const StateSignatures& signatures, const QString& file,
                             const QString& list);

#include "study/StateFileFormat.h"

#include "study/CWordListSource.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <limits>

namespace {

const QString kListReadFailure = QStringLiteral(
    "学習モードファイルを読み込めませんでした。\r\n一部の学習モードはクリアされます。\r\n");
const QString kListUnknownVersion =
    QStringLiteral("未知の学習モードファイルです。\r\n一部の学習モードはクリアされます。\r\n");
const QString kMiscReadFailure = QStringLiteral(
    "MISCファイルを読み込めませんでした。\r\n一部の書き取り回数はクリアされます。\r\n");
const QString kMiscUnknownVersion =
    QStringLiteral("未知のMISCファイルです。\r\n書き取り回数はクリアされます。");
const QString kHistoryReadFailure =
    QStringLiteral("履歴ファイルを読み込めませんでした。\r\n履歴はクリアされます。\r\n");
const QString kHistoryUnknownVersion =
    QStringLiteral("未知の履歴ファイルです。\r\n履歴はクリアされます。");

const QByteArray kSignatureHeader = QByteArrayLiteral("velmarik-wordlists\t1");
// A staged file's line has four fields like an entry: programs that wrote
// the signature file before these existed take it for an entry of a file
// named "staged", which they never look up. They skip the checksum's line.
const QByteArray kStagedKey = QByteArrayLiteral("staged");
const QByteArray kChecksumKey = QByteArrayLiteral("checksum");

constexpr int kListCount = static_cast<int>(std::size(kWordLists));

// Little-endian values, one after the other. A value the bytes cannot
// complete fails as the end of the file, or with the device's error when
// reading stopped at one.
class ValueReader {
public:
    explicit ValueReader(const StoredFile& file) : m_file(file) {}

    template <typename T> bool Read(T& value, FileFailure& failure)
    {
        if (m_file.m_bytes.size() - m_pos >= static_cast<qsizetype>(sizeof(T))) {
            value = qFromLittleEndian<T>(m_file.m_bytes.constData() + m_pos);
            m_pos += sizeof(T);
            return true;
        }
        failure = m_file.m_readError ? *m_file.m_readError : FileFailure::EndOfFile();
        return false;
    }

    qsizetype Left() const { return m_file.m_bytes.size() - m_pos; }

private:
    const StoredFile& m_file;
    qsizetype m_pos = 0;
};

} // namespace

QString ListName(int list)
{
    return QString::fromLatin1(kWordLists[list].m_pszName);
}

QString ListFileName(int list)
{
    return ListName(list) + QStringLiteral(".dat");
}

QByteArray MiscFileContent(qint32 total, const QHash<int, int>& dayCounts)
{
    QByteArray content;
    AppendValue<qint16>(content, kMiscFileVersion);
    AppendValue<qint32>(content, total);
    AppendValue<qint32>(content, static_cast<qint32>(dayCounts.size()));
    for (auto it = dayCounts.cbegin(); it != dayCounts.cend(); ++it) {
        AppendValue<qint32>(content, it.key());
        AppendValue<qint32>(content, it.value());
    }
    return content;
}

StoredFile StoredFile::Read(const QString& path)
{
    return Read(path, -1);
}

StoredFile StoredFile::Read(const QString& path, qsizetype limit)
{
    StoredFile stored;
    QFile file(path);
    if (!file.exists())
        return stored;
    stored.m_bExists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        stored.m_openFailure = FileFailure::FromDevice(file);
        return stored;
    }
    if (limit < 0) {
        stored.m_bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            stored.m_readError = FileFailure::FromDevice(file);
        return stored;
    }
    // One read of the size the file has, when it is within the limit; one
    // byte more tells a file that goes on.
    const qsizetype wanted = static_cast<qsizetype>(std::min<qint64>(file.size(), limit) + 1);
    stored.m_bytes.resize(wanted);
    const qint64 got = file.read(stored.m_bytes.data(), wanted);
    if (got < 0) {
        stored.m_readError = FileFailure::FromDevice(file);
        stored.m_bytes.clear();
        return stored;
    }
    stored.m_bytes.truncate(static_cast<qsizetype>(got));
    if (stored.m_bytes.size() > limit) {
        stored.m_bytes.truncate(limit);
        stored.m_bLonger = true;
    }
    return stored;
}

StoredFile StoredFile::Holding(QByteArray bytes)
{
    StoredFile stored;
    stored.m_bExists = true;
    stored.m_bytes = std::move(bytes);
    return stored;
}

ListFileData DecodeListFile(const StoredFile& file)
{
    ListFileData data;
    if (!file.m_bExists)
        return data;
    if (file.m_openFailure) {
        data.m_status = ListFileData::Unreadable;
        data.m_failure = *file.m_openFailure;
        return data;
    }
    ValueReader reader(file);
    qint16 version = 0;
    if (!reader.Read(version, data.m_failure)) {
        data.m_status = ListFileData::Unreadable;
        return data;
    }
    if (version != kListFileVersion) {
        data.m_status = ListFileData::UnknownVersion;
        return data;
    }
    data.m_status = ListFileData::Readable;
    data.m_records.reserve(reader.Left() / 4);
    for (;;) {
        ListRecord record;
        if (!reader.Read(record.m_nAskCount, data.m_failure))
            break;
        if (!reader.Read(record.m_nMode, data.m_failure)) {
            data.m_partialAskCount = record.m_nAskCount;
            break;
        }
        data.m_records.append(record);
    }
    return data;
}

ListRecords TakeListRecords(const ListFileData& data, qsizetype count, const QString& fileName)
{
    ListRecords taken;
    taken.m_records.resize(count);
    switch (data.m_status) {
    case ListFileData::Missing:
        break;
    case ListFileData::Unreadable:
        taken.m_strProblem = kListReadFailure + DescribeException(data.m_failure);
        break;
    case ListFileData::UnknownVersion:
        taken.m_strProblem = kListUnknownVersion + fileName;
        break;
    case ListFileData::Readable: {
        // Records beyond the list's items stay unread.
        const qsizetype whole = std::min(count, data.m_records.size());
        std::copy_n(data.m_records.cbegin(), whole, taken.m_records.begin());
        if (whole < count) {
            taken.m_strProblem = kListReadFailure + DescribeException(data.m_failure);
            if (data.m_partialAskCount)
                taken.m_records[whole].m_nAskCount = *data.m_partialAskCount;
        }
        break;
    }
    }
    return taken;
}

MiscFileData DecodeMiscFile(const StoredFile& file)
{
    MiscFileData data;
    if (!file.m_bExists)
        return data;
    if (file.m_openFailure) {
        data.m_failure = *file.m_openFailure;
        return data;
    }
    ValueReader reader(file);
    FileFailure failure;
    qint16 version = 0;
    qint32 count = 0;
    if (!reader.Read(version, failure)) {
        data.m_failure = failure;
    } else if (version != 1 && version != 2) {
        data.m_bUnknownVersion = true;
    } else if (!reader.Read(data.m_nTotal, failure)) {
        data.m_failure = failure;
    } else if (version == 2) {
        // The entries are read one by one, so a count that the file cannot
        // back ends at its end with a read failure.
        if (!reader.Read(count, failure)) {
            data.m_failure = failure;
        } else {
            for (qint32 k = 0; k < count; ++k) {
                qint32 key = 0;
                qint32 value = 0;
                if (!reader.Read(key, failure) || !reader.Read(value, failure)) {
                    data.m_failure = failure;
                    break;
                }
                data.m_days.append({key, value});
            }
        }
    }
    return data;
}

QString MiscFileProblem(const MiscFileData& data)
{
    if (data.m_bUnknownVersion)
        return kMiscUnknownVersion;
    if (data.m_failure)
        return kMiscReadFailure + DescribeException(*data.m_failure);
    return QString();
}

HistoryFileData DecodeHistoryFile(const StoredFile& file)
{
    HistoryFileData data;
    if (!file.m_bExists)
        return data;
    data.m_status = HistoryFileData::Failed;
    if (file.m_openFailure) {
        data.m_failure = *file.m_openFailure;
        return data;
    }
    ValueReader reader(file);
    qint16 version = 0;
    qint32 count = 0;
    if (!reader.Read(version, data.m_failure))
        return data;
    if (version != 1 && version != 2) {
        data.m_status = HistoryFileData::UnknownVersion;
        return data;
    }
    if (!reader.Read(data.m_nPos, data.m_failure) || !reader.Read(count, data.m_failure))
        return data;
    for (qint32 k = 0; k < count; ++k) {
        CDictionary::CHistInfo record;
        if (!reader.Read(record.m_nIndex, data.m_failure))
            return data;
        if (version == 1)
            record.m_bAnswered = 1;
        else if (!reader.Read(record.m_bAnswered, data.m_failure))
            return data;
        data.m_records.append(record);
    }
    data.m_status = HistoryFileData::Readable;
    return data;
}

QString HistoryFileProblem(const HistoryFileData& data)
{
    switch (data.m_status) {
    case HistoryFileData::UnknownVersion:
        return kHistoryUnknownVersion;
    case HistoryFileData::Failed:
        return kHistoryReadFailure + DescribeException(data.m_failure);
    default:
        return QString();
    }
}

StagedFileStamp StagedFileStamp::Of(const QByteArray& content)
{
    return {content.size(), QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex()};
}

QByteArray FormatStateSignatures(const StateSignatures& signatures, const StagedFiles& staged)
{
    QByteArray text = kSignatureHeader + '\n';
    QStringList files;
    for (int i = 0; i < kListCount; ++i)
        files.append(ListFileName(i));
    files.append(kHistoryFileName);
    files.append(kReviewFileName);
    for (const QString& file : std::as_const(files)) {
        for (int i = 0; i < kListCount; ++i) {
            const ListSignature signature = SignatureEntry(signatures, file, ListName(i));
            if (signature.m_nCount < 0)
                continue;
            text += file.toUtf8() + '\t' + ListName(i).toUtf8() + '\t' +
                    QByteArray::number(signature.m_nCount) + '\t' + signature.m_hash + '\n';
        }
    }
    for (auto it = staged.cbegin(); it != staged.cend(); ++it) {
        text += kStagedKey + '\t' + it.key().toUtf8() + '\t' + QByteArray::number(it->m_nSize) +
                '\t' + it->m_hash + '\n';
    }
    return text + kChecksumKey + '\t' +
           QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex() + '\n';
}

std::optional<SignatureFile> ReadSignatureFile(const QByteArray& text)
{
    SignatureFile file;
    QByteArrayView body = text;
    const QByteArray mark = '\n' + kChecksumKey + '\t';
    if (const qsizetype at = text.lastIndexOf(mark); at >= 0) {
        body = QByteArrayView(text).first(at + 1);
        const QByteArrayView sum = QByteArrayView(text).sliced(at + mark.size());
        if (sum != QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n')
            return std::nullopt;
        file.m_bChecksum = true;
    } else if (!text.endsWith('\n')) {
        return std::nullopt; // cut short: written before checksums, every line ended
    }
    const QList<QByteArray> lines = body.toByteArray().split('\n');
    if (lines.isEmpty() || lines.first() != kSignatureHeader)
        return std::nullopt;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QList<QByteArray> fields = lines.at(k).split('\t');
        if (fields.size() != 4)
            continue;
        bool ok = false;
        const qlonglong count = fields.at(2).toLongLong(&ok);
        if (!ok || count < 0)
            continue;
        if (fields.at(0) == kStagedKey)
            file.m_staged.insert(QString::fromUtf8(fields.at(1)), {count, fields.at(3)});
        else if (count <= std::numeric_limits<qint32>::max())
            file.m_signatures[QString::fromUtf8(fields.at(0))][QString::fromUtf8(fields.at(1))] = {
                static_cast<qint32>(count), fields.at(3)};
    }
    return file;
}

bool ParseStateSignatures(const QByteArray& text, StateSignatures& signatures)
{
    std::optional<SignatureFile> file = ReadSignatureFile(text);
    signatures = file ? std::move(file->m_signatures) : StateSignatures();
    return file.has_value();
}

ListSignature SignatureEntry(const StateSignatures& signatures, const QString& file,
                             const QString& list)
{
    const auto fileIt = signatures.constFind(file);
    if (fileIt == signatures.constEnd())
        return {};
    return fileIt->value(list);
}

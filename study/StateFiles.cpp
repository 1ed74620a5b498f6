#include "study/CDictionary.h"

#include "platform/AppData.h"
#include "platform/Clock.h"
#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "platform/StateWriteGuard.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/ListMigration.h"
#include "study/ReviewFileFormat.h"
#include "study/StateFileFormat.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr qint64 kStudyDayOffset = 10800;    // a study day starts at 03:00
constexpr qint64 kKeptDaySpan = 100 * 86400; // day counts kept: 100 days

const QString kListReadError = QStringLiteral(
    "学習モードファイルを読み込めませんでした。\r\n一部の学習モードはクリアされます。\r\n");

std::shared_ptr<const CWordListSource>& InstalledWordListSource()
{
    static std::shared_ptr<const CWordListSource> source;
    return source;
}

// Reads one little-endian value. A short read is a failure of its own: the
// device reports no error for a file that simply ends.
template <typename T> bool ReadValue(QIODevice& device, T& value, FileFailure& failure)
{
    char bytes[sizeof(T)];
    const qint64 got = device.read(bytes, sizeof(T));
    if (got == static_cast<qint64>(sizeof(T))) {
        value = qFromLittleEndian<T>(bytes);
        return true;
    }
    if (got < 0) {
        if (auto* file = qobject_cast<QFileDevice*>(&device))
            failure = FileFailure::FromDevice(*file);
        else
            failure = FileFailure::EndOfFile();
    } else {
        failure = FileFailure::EndOfFile();
    }
    return false;
}

// The records of a learning-mode file after its version, read in one piece
// and decoded from memory. A record the data cannot complete fails as the
// end of the file, or with the device's error when reading stopped at one.
class RecordReader {
public:
    explicit RecordReader(QFile& file) : m_data(file.readAll())
    {
        if (file.error() != QFileDevice::NoError)
            m_readError = FileFailure::FromDevice(file);
    }

    template <typename T> bool Read(T& value, FileFailure& failure)
    {
        if (m_data.size() - m_pos >= static_cast<qsizetype>(sizeof(T))) {
            value = qFromLittleEndian<T>(m_data.constData() + m_pos);
            m_pos += sizeof(T);
            return true;
        }
        failure = m_readError ? *m_readError : FileFailure::EndOfFile();
        return false;
    }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
    std::optional<FileFailure> m_readError;
};

// Calls take(line) for every line up to each CR LF, from the start of the
// text; text after the last CR LF is no line. The split works on the UTF-8
// bytes: CR and LF never occur inside an encoded character, and the decoder
// ends a broken sequence at them, so the lines are those of the decoded text.
template <typename F> void ForEachLine(QByteArrayView text, F&& take)
{
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* start = begin;
    for (const char* cr = start;
         (cr = static_cast<const char*>(std::memchr(cr, '\r', static_cast<size_t>(end - cr))));) {
        if (cr + 1 == end)
            return;
        if (cr[1] != '\n') {
            ++cr; // a lone CR belongs to its line
            continue;
        }
        take(QByteArrayView(start, cr - start));
        start = cr += 2;
    }
}

// A save killed before its commit leaves its temporary file, named after
// the state file and six random letters. No save runs while the
// files are loaded, so any such file is a leftover; nothing else in the
// folder is touched.
void RemoveStaleSaveFiles(const QString& folder)
{
    // The word lists' signature file is saved the same way.
    QStringList names{kMiscFileName, kHistoryFileName, kReviewFileName, kSignatureFileName};
    for (const WordListInfo& info : kWordLists)
        names << QString::fromLatin1(info.m_pszName) + QStringLiteral(".dat");
    // One listing of the folder for all the names: a listing per name, each
    // with its own wildcard, was a noticeable part of the start-up.
    const QDir dir(folder);
    constexpr qsizetype kSuffix = 7; // ".abcdef"
    const auto isLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    for (const QString& candidate :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        const qsizetype dot = candidate.size() - kSuffix;
        if (dot <= 0 || candidate[dot] != u'.')
            continue;
        const QStringView letters = QStringView(candidate).mid(dot + 1);
        if (!std::all_of(letters.begin(), letters.end(), isLetter))
            continue;
        if (names.contains(QStringView(candidate).left(dot)))
            QFile::remove(dir.filePath(candidate));
    }
}

} // namespace

void CDictionary::SetWordListSource(std::shared_ptr<const CWordListSource> source)
{
    // State files that tests write by hand, without a signature file, are
    // meant for the lists the test installs.
    SetUnsignedWordListSource(source);
    InstalledWordListSource() = std::move(source);
}

void CDictionary::EnsureLoaded()
{
    if (!m_lists.empty())
        return;
    QString folder;
    if (!GetAppDataFolder(folder))
        return;
    RemoveStaleSaveFiles(folder);

    static const CWordListSource builtIn;
    const std::shared_ptr<const CWordListSource> installed = InstalledWordListSource();
    const CWordListSource& source = installed ? *installed : builtIn;
    // Records written for other versions of the lists move to their items
    // first, so that what follows reads every file by position.
    CarryOverStudyState(source, folder);
    for (const WordListInfo& info : kWordLists)
        LoadList(source, info.m_nResourceId, QString::fromLatin1(info.m_pszName), folder);
    LoadMisc(folder);
    LoadHistory(folder);
    LoadReviews(folder);
}

void CDictionary::LoadList(const CWordListSource& source, int resourceId, const QString& name,
                           const QString& folder)
{
    CDicFile* list = m_lists.emplace_back(std::make_unique<CDicFile>(name)).get();

    const std::optional<QByteArray> text = source.Load(resourceId);
    if (!text) {
        ShowMessageBox(QStringLiteral("辞書データが見つかりませんでした。\r\n") + name);
        return;
    }

    QFile file(folder + list->GetFileName());
    bool reading = false;
    FileFailure failure;
    if (file.exists()) {
        qint16 version = 0;
        if (!file.open(QIODevice::ReadOnly)) {
            ShowMessageBox(kListReadError + DescribeException(FileFailure::FromDevice(file)));
        } else if (!ReadValue(file, version, failure)) {
            file.close();
            ShowMessageBox(kListReadError + DescribeException(failure));
        } else if (version != kListFileVersion) {
            file.close();
            ShowMessageBox(QStringLiteral("未知の学習モードファイルです。\r\n"
                                          "一部の学習モードはクリアされます。\r\n") +
                           list->GetFileName());
        } else {
            reading = true;
        }
    }

    std::optional<RecordReader> records;
    if (reading) {
        records.emplace(file);
        file.close();
    }

    // Each line is decoded on its own, without a decoded copy of the whole
    // text. A byte-order mark is not removed: it becomes part of the first
    // line. Stateless: a broken sequence at a line's end stays in that line.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    ForEachLine(*text, [&](QByteArrayView line) {
        if (line.isEmpty() || line.front() == '#')
            return;
        qint16 askCount = 0;
        qint16 mode = Unspec;
        if (records) {
            // What was read of a broken record stays; the rest is 0.
            if (!records->Read(askCount, failure) || !records->Read(mode, failure)) {
                records.reset();
                ShowMessageBox(kListReadError + DescribeException(failure));
            }
        }
        CItem* item = list->AddItem(decoder.decode(line));
        item->m_nAskCount = askCount < 0 ? 0 : askCount;
        if (IsValidMode(mode))
            item->m_nMode = mode;
    });
    // Records beyond the list's items stay unread.
    list->ClearDirty();
}

void CDictionary::LoadMisc(const QString& folder)
{
    m_nTotalCount = 0;
    m_mapDayCount.clear();
    QFile file(folder + kMiscFileName);
    if (file.exists()) {
        const auto readFailed = [](const FileFailure& failure) {
            ShowMessageBox(QStringLiteral("MISCファイルを読み込めませんでした。\r\n"
                                          "一部の書き取り回数はクリアされます。\r\n") +
                           DescribeException(failure));
        };
        FileFailure failure;
        qint16 version = 0;
        qint32 total = 0;
        qint32 count = 0;
        if (!file.open(QIODevice::ReadOnly)) {
            readFailed(FileFailure::FromDevice(file));
        } else if (!ReadValue(file, version, failure)) {
            readFailed(failure);
        } else if (version != 1 && version != 2) {
            ShowMessageBox(
                QStringLiteral("未知のMISCファイルです。\r\n書き取り回数はクリアされます。"));
        } else if (!ReadValue(file, total, failure)) {
            readFailed(failure);
        } else {
            m_nTotalCount = total;
            if (version == 2) {
                // The entries are read one by one, so a count that the file
                // cannot back ends at its end with a read failure.
                if (!ReadValue(file, count, failure)) {
                    readFailed(failure);
                } else {
                    for (qint32 k = 0; k < count; ++k) {
                        qint32 key = 0;
                        qint32 value = 0;
                        if (!ReadValue(file, key, failure) || !ReadValue(file, value, failure)) {
                            readFailed(failure);
                            break;
                        }
                        m_mapDayCount.insert(key, value);
                    }
                }
            }
        }
        file.close();
    }
    m_bMiscDirty = 0;
}

void CDictionary::LoadHistory(const QString& folder)
{
    m_history.clear();
    m_nHistPos = -1;
    QFile file(folder + kHistoryFileName);
    if (file.exists()) {
        bool failed = false;
        FileFailure failure;
        qint16 version = 0;
        qint32 pos = -1;
        qint32 count = 0;
        if (!file.open(QIODevice::ReadOnly)) {
            failure = FileFailure::FromDevice(file);
            failed = true;
        } else if (!ReadValue(file, version, failure)) {
            failed = true;
        } else if (version != 1 && version != 2) {
            ShowMessageBox(QStringLiteral("未知の履歴ファイルです。\r\n履歴はクリアされます。"));
        } else if (!ReadValue(file, pos, failure) || !ReadValue(file, count, failure)) {
            failed = true;
        } else {
            m_nHistPos = pos;
            for (qint32 k = 0; k < count; ++k) {
                CHistInfo record;
                if (!ReadValue(file, record.m_nIndex, failure)) {
                    failed = true;
                    break;
                }
                if (version == 1) {
                    record.m_bAnswered = 1;
                } else if (!ReadValue(file, record.m_bAnswered, failure)) {
                    failed = true;
                    break;
                }
                m_history.append(record);
            }
        }
        file.close();
        if (failed) {
            ShowMessageBox(
                QStringLiteral(
                    "履歴ファイルを読み込めませんでした。\r\n履歴はクリアされます。\r\n") +
                DescribeException(failure));
            m_history.clear();
            m_nHistPos = -1;
        }
    }
    m_bHistDirty = 0;
}

void CDictionary::Save()
{
    if (m_lists.empty())
        return;
    // What stays unsaved stays dirty, for the next save the guard allows.
    if (!MayWriteStateFiles())
        return;
    QString folder;
    if (!GetAppDataFolder(folder))
        return;
    // The files that depend on the lists' contents are written only once
    // the signature file says which lists they are written for.
    const bool listsSigned = PrepareStateSave(*this, folder);
    if (listsSigned)
        SaveLists(folder);
    SaveMisc(folder);
    if (listsSigned) {
        SaveHistory(folder);
        SaveReviews(folder);
    }
}

bool CDictionary::SaveLists(const QString& folder)
{
    for (const auto& list : m_lists) {
        if (!list->HasDirtyItems())
            continue;
        const QByteArray content = ListFileContent(list->m_items);
        FileFailure failure;
        if (!WriteWholeFile(folder + list->GetFileName(), content, failure)) {
            // The remaining lists wait for the next save, still dirty.
            ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
            return false;
        }
        list->ClearDirty();
    }
    return true;
}

void CDictionary::SaveMisc(const QString& folder)
{
    if (!m_bMiscDirty)
        return;
    PruneDayCounts();
    QByteArray content;
    AppendValue<qint16>(content, kMiscFileVersion);
    AppendValue<qint32>(content, m_nTotalCount);
    AppendValue<qint32>(content, static_cast<qint32>(m_mapDayCount.size()));
    for (auto it = m_mapDayCount.cbegin(); it != m_mapDayCount.cend(); ++it) {
        AppendValue<qint32>(content, it.key());
        AppendValue<qint32>(content, it.value());
    }
    FileFailure failure;
    if (!WriteWholeFile(folder + kMiscFileName, content, failure)) {
        ShowMessageBox(kMiscSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
        return;
    }
    m_bMiscDirty = 0;
}

void CDictionary::SaveHistory(const QString& folder)
{
    if (!m_bHistDirty)
        return;
    const QByteArray content = HistoryFileContent(m_nHistPos, m_history);
    FileFailure failure;
    if (!WriteWholeFile(folder + kHistoryFileName, content, failure)) {
        ShowMessageBox(kHistorySaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
        return;
    }
    m_bHistDirty = 0;
}

void CDictionary::PruneDayCounts()
{
    const qint64 today = GetStudyDate();
    const int newest = MakeDayKey(today);
    const int oldest = MakeDayKey(today - kKeptDaySpan);
    m_mapDayCount.removeIf([&](const QHash<int, int>::iterator it) {
        return it.key() <= oldest || it.key() > newest;
    });
}

qint64 GetStudyDate()
{
    LocalDate date;
    if (!ToLocalDate(CurrentTime() - kStudyDayOffset, date))
        return 0;
    return LocalMidnight(date.year, date.month, date.day);
}

int MakeDayKey(qint64 t)
{
    LocalDate date;
    if (!ToLocalDate(t, date))
        return 0;
    return date.year * 10000 + date.month * 100 + date.day;
}

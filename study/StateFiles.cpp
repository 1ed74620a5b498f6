#include "study/CDictionary.h"

#include "platform/AppData.h"
#include "platform/Clock.h"
#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "study/CDicFile.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"
#include "study/ListMigration.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtEndian>

namespace {

const QString kMiscFileName = QStringLiteral("miscdata.dat");
const QString kHistoryFileName = QStringLiteral("histdata.dat");

constexpr qint16 kListFileVersion = 1;
constexpr qint16 kMiscFileVersion = 2;
constexpr qint16 kHistoryFileVersion = 2;

constexpr qint64 kStudyDayOffset = 10800;        // a study day starts at 03:00
constexpr qint64 kKeptDaySpan = 100 * 86400;     // day counts kept: 100 days

const QString kListReadError = QStringLiteral(
    "学習モードファイルを読み込めませんでした。\r\n一部の学習モードはクリアされます。\r\n");

std::shared_ptr<const CWordListSource>& InstalledWordListSource()
{
    static std::shared_ptr<const CWordListSource> source;
    return source;
}

// Reads one little-endian value. A short read is a failure of its own: the
// device reports no error for a file that simply ends.
template <typename T>
bool ReadValue(QIODevice& device, T& value, FileFailure& failure)
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

template <typename T>
void AppendValue(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

// Splits at every CR LF; text after the last one is not a line.
QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1String("\r\n"), start);
        if (end < 0)
            break;
        lines.append(text.mid(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A save killed before its commit leaves its temporary file, named after
// the state file and six random letters. No save runs while the
// files are loaded, so any such file is a leftover; nothing else in the
// folder is touched.
void RemoveStaleSaveFiles(const QString& folder)
{
    // The word lists' signature file is saved the same way.
    QStringList names{kMiscFileName, kHistoryFileName, QStringLiteral("wordlists.sig")};
    for (const WordListInfo& info : kWordLists)
        names << QString::fromLatin1(info.m_pszName) + QStringLiteral(".dat");
    const QDir dir(folder);
    for (const QString& name : std::as_const(names)) {
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(name) + QStringLiteral("\\.[A-Za-z]{6}")));
        const QStringList found = dir.entryList({name + QStringLiteral(".??????")},
                                                QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& candidate : found) {
            if (pattern.match(candidate).hasMatch())
                QFile::remove(dir.filePath(candidate));
        }
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
    if (!m_lists.isEmpty())
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
}

void CDictionary::LoadList(const CWordListSource& source, int resourceId, const QString& name,
                           const QString& folder)
{
    auto* list = new CDicFile(name);
    m_lists.append(list);

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

    // A byte-order mark is not removed: it becomes part of the first line.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(*text);
    for (const QString& line : SplitLines(decoded)) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        qint16 askCount = 0;
        qint16 mode = Unspec;
        if (reading) {
            // What was read of a broken record stays; the rest is 0.
            if (!ReadValue(file, askCount, failure) || !ReadValue(file, mode, failure)) {
                reading = false;
                file.close();
                ShowMessageBox(kListReadError + DescribeException(failure));
            }
        }
        auto* item = new CItem(line);
        item->m_nAskCount = askCount < 0 ? 0 : askCount;
        if (IsValidMode(mode))
            item->m_nMode = mode;
        list->m_items.append(item);
    }
    // Records beyond the list's items stay unread.
    file.close();
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
            ShowMessageBox(QStringLiteral(
                "未知のMISCファイルです。\r\n書き取り回数はクリアされます。"));
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
                QStringLiteral("履歴ファイルを読み込めませんでした。\r\n履歴はクリアされます。\r\n") +
                DescribeException(failure));
            m_history.clear();
            m_nHistPos = -1;
        }
    }
    m_bHistDirty = 0;
}

void CDictionary::Save()
{
    if (m_lists.isEmpty())
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
    if (listsSigned)
        SaveHistory(folder);
}

bool CDictionary::SaveLists(const QString& folder)
{
    for (CDicFile* list : std::as_const(m_lists)) {
        const bool changed = std::any_of(list->m_items.cbegin(), list->m_items.cend(),
                                         [](const CItem* item) { return item->m_bDirty; });
        if (!changed)
            continue;
        QByteArray content;
        content.reserve(2 + 4 * list->m_items.size());
        AppendValue<qint16>(content, kListFileVersion);
        for (const CItem* item : std::as_const(list->m_items)) {
            AppendValue<qint16>(content, item->m_nAskCount);
            AppendValue<qint16>(content, item->m_nMode);
        }
        FileFailure failure;
        if (!WriteWholeFile(folder + list->GetFileName(), content, failure)) {
            // The remaining lists wait for the next save, still dirty.
            ShowMessageBox(QStringLiteral("学習モードファイルを保存できませんでした。\r\n") +
                           DescribeException(failure));
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
        ShowMessageBox(QStringLiteral("MISCファイルを保存できませんでした。\r\n") +
                       DescribeException(failure));
        return;
    }
    m_bMiscDirty = 0;
}

void CDictionary::SaveHistory(const QString& folder)
{
    if (!m_bHistDirty)
        return;
    QByteArray content;
    AppendValue<qint16>(content, kHistoryFileVersion);
    AppendValue<qint32>(content, m_nHistPos);
    AppendValue<qint32>(content, static_cast<qint32>(m_history.size()));
    for (const CHistInfo& record : std::as_const(m_history)) {
        AppendValue<qint32>(content, record.m_nIndex);
        AppendValue<qint32>(content, record.m_bAnswered);
    }
    FileFailure failure;
    if (!WriteWholeFile(folder + kHistoryFileName, content, failure)) {
        ShowMessageBox(QStringLiteral("履歴ファイルを保存できませんでした。\r\n") +
                       DescribeException(failure));
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

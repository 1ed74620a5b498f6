#include "study/ListMigration.h"
#include "study/ReviewCarryOver.h"
#include "study/ReviewFileFormat.h"
#include "study/StateFileFormat.h"

#include "platform/FileFailure.h"
#include "platform/MessageBox.h"
#include "platform/SaveFile.h"
#include "study/CDicFile.h"
#include "study/CDictionary.h"
#include "study/CItem.h"
#include "study/CWordListSource.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUtf8StringView>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <system_error>

namespace {

// A carry-over is staged in this sub-folder; the signature file written
// into it last is the commit point.
const QString kStagingFolderName = QStringLiteral("carryover");
const QByteArray kSignatureHeader = QByteArrayLiteral("velmarik-wordlists\t1");

constexpr int kListCount = static_cast<int>(std::size(kWordLists));

int g_stopAfter = -1;

// Counts the file operations of a carry-over, so that tests can end it
// anywhere, as a crash or a power cut would.
class Steps {
public:
    bool Next()
    {
        if (g_stopAfter >= 0 && m_nDone >= g_stopAfter) {
            g_stopAfter = -1; // the next run is the restart after the "crash"
            return false;
        }
        ++m_nDone;
        return true;
    }

private:
    int m_nDone = 0;
};

// The lists state files without a signature file were written for.
class ShippedPreviousLists : public CWordListSource {
public:
    std::optional<QByteArray> Load(int resourceId) const override
    {
        QFile file(QStringLiteral(":/dictionary/previous/%1").arg(resourceId));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }
};

std::shared_ptr<const CWordListSource>& InstalledUnsignedSource()
{
    static std::shared_ptr<const CWordListSource> source;
    return source;
}

QString ListName(int list)
{
    return QString::fromLatin1(kWordLists[list].m_pszName);
}

QString ListFileName(int list)
{
    return ListName(list) + QStringLiteral(".dat");
}

// The versions of the lists we still have the texts of: for now the lists
// that state files without a signature file were written for. Each list is
// read and hashed only when asked for.
class KnownLists {
public:
    KnownLists() : m_source(InstalledUnsignedSource())
    {
        if (!m_source)
            m_source = std::make_shared<ShippedPreviousLists>();
    }

    ListSignature UnsignedSignature(int list)
    {
        Ensure(list);
        return m_signatures[list];
    }

    // The texts of that version of the list; null when we do not know it.
    const QStringList* Texts(int list, const ListSignature& signature)
    {
        if (list < 0 || list >= kListCount || signature.m_nCount < 0)
            return nullptr;
        Ensure(list);
        return m_signatures[list] == signature ? &m_texts[list] : nullptr;
    }

    // Whether the unsigned version of the list is, byte for byte, that text:
    // then it has that text's signature without anything being hashed.
    bool UnsignedTextIs(int list, const QByteArray& text) const
    {
        const std::optional<QByteArray> own = m_source->Load(kWordLists[list].m_nResourceId);
        return own.value_or(QByteArray()) == text;
    }

    // The current lists, already split and hashed: while a list is what
    // it was, the old version is found without doing that again.
    void SetCurrent(int list, const QByteArray& text, const QStringList& items,
                    const ListSignature& signature)
    {
        m_current[list] = {&text, &items, &signature};
    }

private:
    struct Current {
        const QByteArray* m_pText = nullptr;
        const QStringList* m_pItems = nullptr;
        const ListSignature* m_pSignature = nullptr;
    };

    void Ensure(int list)
    {
        if (m_bLoaded[list])
            return;
        m_bLoaded[list] = true;
        const std::optional<QByteArray> text = m_source->Load(kWordLists[list].m_nResourceId);
        const Current& current = m_current[list];
        if (text && current.m_pText && *text == *current.m_pText) {
            m_texts[list] = *current.m_pItems;
            m_signatures[list] = *current.m_pSignature;
            return;
        }
        m_texts[list] = text ? ListItemTexts(*text) : QStringList();
        m_signatures[list] = MakeListSignature(m_texts[list]);
    }

    std::shared_ptr<const CWordListSource> m_source;
    bool m_bLoaded[kListCount] = {};
    QStringList m_texts[kListCount];
    ListSignature m_signatures[kListCount];
    Current m_current[kListCount];
};

ListSignature Entry(const StateSignatures& signatures, const QString& file, const QString& list)
{
    const auto fileIt = signatures.constFind(file);
    if (fileIt == signatures.constEnd())
        return {};
    return fileIt->value(list);
}

// What every state file was written for: the signature file's word, or,
// without one, the lists that came before signatures. A signature file that
// cannot be read or understood names nothing: every file then loads by
// position.
StateSignatures StoredSignatures(const QString& folder, KnownLists& known)
{
    StateSignatures signatures;
    QFile file(folder + kSignatureFileName);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly))
            ParseStateSignatures(file.readAll(), signatures);
        return signatures;
    }
    for (int i = 0; i < kListCount; ++i)
        signatures[ListFileName(i)][ListName(i)] = known.UnsignedSignature(i);
    for (int i = 0; i < kListCount; ++i)
        signatures[kHistoryFileName][ListName(i)] = known.UnsignedSignature(i);
    // A review file is signed whenever it is written for other lists, so
    // one without a signature file was written for these.
    for (int i = 0; i < kListCount; ++i)
        signatures[kReviewFileName][ListName(i)] = known.UnsignedSignature(i);
    return signatures;
}

struct Record {
    qint16 m_nAskCount = 0;
    qint16 m_nMode = 0;
};

// The records of a learning-mode file as stored, bits and all; nullopt when
// it is no file of version 1, which is left to the loader to report as it
// always has. A record cut short keeps its ask count, as the loader would.
std::optional<QList<Record>> ReadListRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 2 || qFromLittleEndian<qint16>(bytes.constData()) != kListFileVersion)
        return std::nullopt;
    QList<Record> records;
    records.reserve((bytes.size() - 2) / 4 + 1);
    for (qsizetype at = 2; at + 2 <= bytes.size(); at += 4) {
        Record record;
        record.m_nAskCount = qFromLittleEndian<qint16>(bytes.constData() + at);
        if (at + 4 <= bytes.size())
            record.m_nMode = qFromLittleEndian<qint16>(bytes.constData() + at + 2);
        records.append(record);
    }
    return records;
}

struct HistoryFile {
    qint32 m_nPos = -1;
    QList<CDictionary::CHistInfo> m_records;
};

// A history file of version 1 or 2, read whole; nullopt for anything the
// loader would refuse, which it then reports as it always has.
std::optional<HistoryFile> ReadHistoryFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 10)
        return std::nullopt;
    const char* data = bytes.constData();
    const qint16 version = qFromLittleEndian<qint16>(data);
    if (version != 1 && version != 2)
        return std::nullopt;
    HistoryFile history;
    history.m_nPos = qFromLittleEndian<qint32>(data + 2);
    const qint32 count = qFromLittleEndian<qint32>(data + 6);
    const qsizetype recordSize = version == 1 ? 4 : 8;
    if (count < 0 || (bytes.size() - 10) / recordSize < count)
        return std::nullopt;
    history.m_records.reserve(count);
    for (qint32 k = 0; k < count; ++k) {
        const char* at = data + 10 + k * recordSize;
        CDictionary::CHistInfo record;
        record.m_nIndex = qFromLittleEndian<qint32>(at);
        record.m_bAnswered = version == 1 ? 1 : qFromLittleEndian<qint32>(at + 4);
        history.m_records.append(record);
    }
    return history;
}

// Puts a file in another's place in one step: at no moment is the target
// missing or half written.
bool ReplaceFile(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(QFileInfo(from).filesystemAbsoluteFilePath(),
                            QFileInfo(to).filesystemAbsoluteFilePath(), error);
    return !error;
}

bool IsStateFileName(const QString& name)
{
    if (name == kHistoryFileName || name == kReviewFileName)
        return true;
    for (int i = 0; i < kListCount; ++i) {
        if (name == ListFileName(i))
            return true;
    }
    return false;
}

// Once the staged signature file exists every staged file is complete, and
// moving them into place can be repeated after any interruption: a moved
// file is no longer staged, and the signature file moves last. Before that
// point nothing outside the staging folder has changed, so the staging is
// simply thrown away. False when a staged carry-over is left that could not
// be finished or cleared.
bool FinishStagedCarryOver(const QString& folder, Steps& steps)
{
    QDir staging(folder + kStagingFolderName);
    if (!staging.exists())
        return true;
    if (!QFile::exists(staging.filePath(kSignatureFileName)))
        return staging.removeRecursively();
    const QStringList names = staging.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (!IsStateFileName(name))
            continue; // a temporary file of an interrupted write
        if (!steps.Next())
            return false;
        if (!ReplaceFile(staging.filePath(name), folder + name))
            return false;
    }
    if (!steps.Next())
        return false;
    if (!ReplaceFile(staging.filePath(kSignatureFileName), folder + kSignatureFileName))
        return false;
    staging.removeRecursively(); // only temporaries are left; they are harmless
    return true;
}

bool CommitCarryOver(const QString& folder, const QHash<QString, QByteArray>& files,
                     const QByteArray& signatures)
{
    Steps steps;
    QDir staging(folder + kStagingFolderName);
    if (!staging.removeRecursively() || !QDir().mkpath(staging.path()))
        return false;
    FileFailure failure;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!steps.Next())
            return false;
        if (!WriteWholeFile(staging.filePath(it.key()), it.value(), failure)) {
            staging.removeRecursively();
            return false;
        }
    }
    if (!steps.Next())
        return false;
    if (!WriteWholeFile(staging.filePath(kSignatureFileName), signatures, failure)) {
        staging.removeRecursively();
        return false;
    }
    return FinishStagedCarryOver(folder, steps);
}

struct WordForms {
    QString m_strMain;      // the spelling before any alternative
    QStringList m_readings; // the reading and its alternatives
};

WordForms FormsOf(const QString& text)
{
    WordForms forms;
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const QString word = tab < 0 ? QString() : text.left(tab);
    QString reading = tab < 0 ? text : text.mid(tab + 1);
    const qsizetype paren = word.indexOf(QLatin1Char('('));
    forms.m_strMain = paren < 0 ? word : word.left(paren);
    reading.remove(QLatin1Char(')'));
    forms.m_readings = reading.split(QLatin1Char('('), Qt::SkipEmptyParts);
    return forms;
}

bool ShareReading(const WordForms& a, const WordForms& b)
{
    for (const QString& reading : a.m_readings) {
        if (b.m_readings.contains(reading))
            return true;
    }
    return false;
}

// Where a history record's global index goes; -1 when its item is gone or
// it had none in the lists the history was written for.
class HistoryIndexMap {
public:
    enum Status { Same, Known, Unknown };

    HistoryIndexMap(const QList<ListSignature>& was, const QList<QStringList>& now,
                    const QList<Status>& status, const QList<QList<ItemPlace>>& places)
        : m_was(was), m_now(now), m_status(status), m_places(places)
    {
        int base = 0;
        for (const QStringList& list : now) {
            m_newBase.append(base);
            base += static_cast<int>(list.size());
        }
    }

    int Map(int index) const
    {
        if (index < 0)
            return -1;
        for (int i = 0; i < kListCount; ++i) {
            if (index >= m_was[i].m_nCount) {
                index -= m_was[i].m_nCount;
                continue;
            }
            switch (m_status[i]) {
            case Same:
                return m_newBase[i] + index;
            case Known: {
                const ItemPlace place = m_places[i][index];
                return place.m_nList < 0 ? -1 : m_newBase[place.m_nList] + place.m_nPos;
            }
            case Unknown:
                return index < m_now[i].size() ? m_newBase[i] + index : -1;
            }
        }
        return -1;
    }

private:
    const QList<ListSignature>& m_was;
    const QList<QStringList>& m_now;
    const QList<Status>& m_status;
    const QList<QList<ItemPlace>>& m_places;
    QList<int> m_newBase;
};

HistoryFile CarryHistory(const HistoryFile& old, const HistoryIndexMap& map)
{
    HistoryFile carried;
    const qsizetype count = old.m_records.size();
    QList<int> newPos(count, -1);
    for (qsizetype k = 0; k < count; ++k) {
        const CDictionary::CHistInfo& record = old.m_records.at(k);
        const int index = map.Map(record.m_nIndex);
        if (index < 0)
            continue;
        // Records that meet around a dropped one name the same question
        // twice in a row; the later one stands, with its answered state.
        if (!carried.m_records.isEmpty() && carried.m_records.constLast().m_nIndex == index)
            carried.m_records.last().m_bAnswered = record.m_bAnswered;
        else
            carried.m_records.append({index, record.m_bAnswered});
        newPos[k] = static_cast<int>(carried.m_records.size()) - 1;
    }
    // A current record that is gone gives way to the one "back" would have
    // reached, else to the next one.
    const int current = old.m_nPos >= 0 && old.m_nPos < count ? old.m_nPos : -1;
    if (current >= 0) {
        for (int k = current; k >= 0 && carried.m_nPos < 0; --k)
            carried.m_nPos = newPos[k];
        for (qsizetype k = current + 1; k < count && carried.m_nPos < 0; ++k)
            carried.m_nPos = newPos[k];
    }
    return carried;
}

// The review records name their items by list and position: a list of a
// known earlier version moves them item by item, a list of an unknown one
// keeps them by position, as the learning-mode files do.
void CarryReviews(const QString& folder, const StateSignatures& stored,
                  const QList<QStringList>& now, const QList<ListSignature>& nowSignature,
                  KnownLists& known, StateSignatures& updated, QHash<QString, QByteArray>& files)
{
    enum Status { Same, Known, Unknown };
    QList<Status> status(kListCount, Same);
    QList<const QStringList*> oldSide(kListCount, nullptr);
    QList<const QStringList*> newSide(kListCount, nullptr);
    bool anyChanged = false;
    qsizetype bound = 0;
    for (int i = 0; i < kListCount; ++i) {
        const ListSignature was = Entry(stored, kReviewFileName, ListName(i));
        bound += std::max<qsizetype>(now[i].size(), std::max(0, was.m_nCount));
        if (was.m_nCount < 0 || was == nowSignature[i])
            continue;
        anyChanged = true;
        if (const QStringList* texts = known.Texts(i, was)) {
            status[i] = Known;
            oldSide[i] = texts;
            newSide[i] = &now[i];
        } else {
            status[i] = Unknown;
        }
    }
    if (!anyChanged)
        return;
    for (int i = 0; i < kListCount; ++i)
        updated[kReviewFileName][ListName(i)] = nowSignature[i];
    if (!QFile::exists(folder + kReviewFileName))
        return;
    const QList<QList<ItemPlace>> places = MatchListItems(oldSide, newSide);
    const auto place = [&](qint32& list, qint32& pos) {
        if (list < 0 || list >= kListCount)
            return false;
        if (status[list] != Known)
            return pos < now[list].size();
        if (pos >= places[list].size())
            return false;
        const ItemPlace to = places[list][pos];
        list = to.m_nList;
        pos = to.m_nPos;
        return to.m_nList >= 0;
    };
    const std::optional<CarriedReviews> carried =
        CarryReviewFile(ReviewFileBytes::Read(folder + kReviewFileName, bound), bound, place);
    // A file of another version is left to the load to report.
    if (!carried)
        return;
    if (!carried->m_strProblem.isEmpty())
        ShowMessageBox(carried->m_strProblem);
    files.insert(kReviewFileName, carried->m_content);
}

} // namespace

QStringList ListItemTexts(const QByteArray& listText)
{
    // As the loader reads a list: a byte-order mark stays part of the first
    // line, and text after the last CR LF is no line.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(listText);
    QStringList items;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1String("\r\n"), start);
        if (end < 0)
            break;
        const QStringView line = QStringView(text).mid(start, end - start);
        if (!line.isEmpty() && !line.startsWith(u'#'))
            items.append(line.toString());
        start = end + 2;
    }
    return items;
}

ListSignature MakeListSignature(const QStringList& itemTexts)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& text : itemTexts) {
        hash.addData(text.toUtf8());
        hash.addData(QByteArrayView("\n", 1));
    }
    return {static_cast<qint32>(itemTexts.size()), hash.result().toHex()};
}

ListSignature SignatureOfListText(const QByteArray& listText)
{
    // Valid UTF-8 decodes and encodes back to the same bytes, and CR, LF and
    // '#' stand for themselves, so the lines can be hashed as they are: at
    // every start this saves decoding the lists a second time.
    if (!QUtf8StringView(listText).isValidUtf8())
        return MakeListSignature(ListItemTexts(listText));
    QCryptographicHash hash(QCryptographicHash::Sha1);
    qint32 count = 0;
    const char* const end = listText.constData() + listText.size();
    const char* start = listText.constData();
    for (const char* cr = start;
         (cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(end - cr))));) {
        if (cr + 1 == end)
            break;
        if (cr[1] != '\n') {
            ++cr;
            continue;
        }
        if (cr > start && *start != '#') {
            hash.addData(QByteArrayView(start, cr - start));
            hash.addData(QByteArrayView("\n", 1));
            ++count;
        }
        start = cr += 2;
    }
    return {count, hash.result().toHex()};
}

QList<QList<ItemPlace>> MatchListItems(const QList<const QStringList*>& oldLists,
                                       const QList<const QStringList*>& newLists)
{
    QList<QList<ItemPlace>> places(oldLists.size());
    QList<QList<bool>> taken(newLists.size());
    for (qsizetype i = 0; i < oldLists.size(); ++i) {
        if (oldLists[i])
            places[i].resize(oldLists[i]->size());
    }
    for (qsizetype j = 0; j < newLists.size(); ++j) {
        if (newLists[j])
            taken[j].resize(newLists[j]->size(), false);
    }
    const auto match = [&](int i, int p, ItemPlace to) {
        places[i][p] = to;
        taken[to.m_nList][to.m_nPos] = true;
    };

    // The same text in the same list.
    for (int i = 0; i < std::min(oldLists.size(), newLists.size()); ++i) {
        if (!oldLists[i] || !newLists[i])
            continue;
        QHash<QString, QList<int>> positions;
        for (int q = 0; q < newLists[i]->size(); ++q)
            positions[newLists[i]->at(q)].append(q);
        QHash<QString, int> used;
        for (int p = 0; p < oldLists[i]->size(); ++p) {
            const QString& text = oldLists[i]->at(p);
            const auto it = positions.constFind(text);
            if (it == positions.constEnd())
                continue;
            int& next = used[text];
            if (next < it->size())
                match(i, p, {i, it->at(next++)});
        }
    }

    // The same text in another list: the word moved.
    QHash<QString, QList<ItemPlace>> leftover;
    for (int j = 0; j < newLists.size(); ++j) {
        for (int q = 0; newLists[j] && q < newLists[j]->size(); ++q) {
            if (!taken[j][q])
                leftover[newLists[j]->at(q)].append({j, q});
        }
    }
    QHash<QString, int> used;
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList >= 0)
                continue;
            const QString& text = oldLists[i]->at(p);
            const auto it = leftover.constFind(text);
            if (it == leftover.constEnd())
                continue;
            int& next = used[text];
            if (next < it->size())
                match(i, p, it->at(next++));
        }
    }

    // The same word with other alternatives: same main spelling, a reading
    // in common, and no other candidate on either side.
    QHash<QString, QList<ItemPlace>> newByMain;
    QHash<QString, QList<ItemPlace>> oldByMain;
    QHash<QString, WordForms> forms;
    const auto formsOf = [&](const QString& text) -> const WordForms& {
        auto it = forms.find(text);
        if (it == forms.end())
            it = forms.insert(text, FormsOf(text));
        return *it;
    };
    for (int j = 0; j < newLists.size(); ++j) {
        for (int q = 0; newLists[j] && q < newLists[j]->size(); ++q) {
            if (!taken[j][q])
                newByMain[formsOf(newLists[j]->at(q)).m_strMain].append({j, q});
        }
    }
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList < 0)
                oldByMain[formsOf(oldLists[i]->at(p)).m_strMain].append({i, p});
        }
    }
    for (int i = 0; i < oldLists.size(); ++i) {
        for (int p = 0; oldLists[i] && p < oldLists[i]->size(); ++p) {
            if (places[i][p].m_nList >= 0)
                continue;
            const WordForms& old = formsOf(oldLists[i]->at(p));
            if (old.m_strMain.isEmpty())
                continue;
            ItemPlace candidate;
            int candidates = 0;
            for (const ItemPlace& n : newByMain.value(old.m_strMain)) {
                if (!taken[n.m_nList][n.m_nPos] &&
                    ShareReading(old, formsOf(newLists[n.m_nList]->at(n.m_nPos)))) {
                    candidate = n;
                    ++candidates;
                }
            }
            if (candidates != 1)
                continue;
            const WordForms& found = formsOf(newLists[candidate.m_nList]->at(candidate.m_nPos));
            int rivals = 0;
            for (const ItemPlace& o : oldByMain.value(old.m_strMain)) {
                if (places[o.m_nList][o.m_nPos].m_nList < 0 &&
                    ShareReading(formsOf(oldLists[o.m_nList]->at(o.m_nPos)), found))
                    ++rivals;
            }
            if (rivals == 1)
                match(i, p, candidate);
        }
    }
    return places;
}

QByteArray FormatStateSignatures(const StateSignatures& signatures)
{
    QByteArray text = kSignatureHeader + '\n';
    QStringList files;
    for (int i = 0; i < kListCount; ++i)
        files.append(ListFileName(i));
    files.append(kHistoryFileName);
    files.append(kReviewFileName);
    for (const QString& file : std::as_const(files)) {
        for (int i = 0; i < kListCount; ++i) {
            const ListSignature signature = Entry(signatures, file, ListName(i));
            if (signature.m_nCount < 0)
                continue;
            text += file.toUtf8() + '\t' + ListName(i).toUtf8() + '\t' +
                    QByteArray::number(signature.m_nCount) + '\t' + signature.m_hash + '\n';
        }
    }
    return text;
}

bool ParseStateSignatures(const QByteArray& text, StateSignatures& signatures)
{
    signatures.clear();
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kSignatureHeader)
        return false;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const QList<QByteArray> fields = lines.at(k).split('\t');
        if (fields.size() != 4)
            continue;
        bool ok = false;
        const int count = fields.at(2).toInt(&ok);
        if (!ok || count < 0)
            continue;
        signatures[QString::fromUtf8(fields.at(0))][QString::fromUtf8(fields.at(1))] = {
            count, fields.at(3)};
    }
    return true;
}

void SetUnsignedWordListSource(std::shared_ptr<const CWordListSource> source)
{
    InstalledUnsignedSource() = std::move(source);
}

void SetCarryOverStopForTesting(int steps)
{
    g_stopAfter = steps;
}

void CarryOverStudyState(const CWordListSource& current, const QString& folder)
{
    Steps recovery;
    if (!FinishStagedCarryOver(folder, recovery))
        return;

    bool anyState =
        QFile::exists(folder + kHistoryFileName) || QFile::exists(folder + kReviewFileName);
    for (int i = 0; i < kListCount && !anyState; ++i)
        anyState = QFile::exists(folder + ListFileName(i));
    if (!anyState && !QFile::exists(folder + kSignatureFileName))
        return; // a new learner: nothing was written for any lists yet

    KnownLists known;
    QList<QByteArray> nowText(kListCount);
    QList<QStringList> now(kListCount);
    QList<ListSignature> nowSignature(kListCount);
    for (int i = 0; i < kListCount; ++i) {
        const std::optional<QByteArray> text = current.Load(kWordLists[i].m_nResourceId);
        // A list missing from the program is a broken build, not a new
        // list: carrying over to it would throw its records away.
        if (!text)
            return;
        nowText[i] = *text;
    }
    // The usual start: every file was written for the lists as they are,
    // and there is nothing to carry over. Without a signature file that is
    // when the lists are those unsigned files were written for.
    const bool signedFiles = QFile::exists(folder + kSignatureFileName);
    bool upToDate = !signedFiles;
    for (int i = 0; i < kListCount && upToDate; ++i)
        upToDate = known.UnsignedTextIs(i, nowText[i]);
    if (upToDate)
        return;
    for (int i = 0; i < kListCount; ++i)
        nowSignature[i] = SignatureOfListText(nowText[i]);
    if (signedFiles) {
        const StateSignatures stored = StoredSignatures(folder, known);
        upToDate = true;
        for (int i = 0; i < kListCount && upToDate; ++i) {
            const ListSignature reviews = Entry(stored, kReviewFileName, ListName(i));
            upToDate = Entry(stored, ListFileName(i), ListName(i)) == nowSignature[i] &&
                       Entry(stored, kHistoryFileName, ListName(i)) == nowSignature[i] &&
                       (reviews.m_nCount < 0 || reviews == nowSignature[i]);
        }
        if (upToDate)
            return;
    }
    for (int i = 0; i < kListCount; ++i) {
        now[i] = ListItemTexts(nowText[i]);
        known.SetCurrent(i, nowText[i], now[i], nowSignature[i]);
    }
    const StateSignatures stored = StoredSignatures(folder, known);
    StateSignatures updated = stored;
    QHash<QString, QByteArray> files;

    // Learning-mode files. A list written for a version we do not know
    // keeps its file and loads by position, as it always did.
    QList<const QStringList*> oldSide(kListCount, nullptr);
    QList<const QStringList*> newSide(kListCount, nullptr);
    QList<QList<Record>> oldRecords(kListCount);
    QList<bool> rewrite(kListCount, false);
    for (int i = 0; i < kListCount; ++i) {
        const QString file = ListFileName(i);
        const ListSignature was = Entry(stored, file, ListName(i));
        if (was == nowSignature[i])
            continue;
        const QStringList* texts = known.Texts(i, was);
        if (!texts)
            continue;
        updated[file][ListName(i)] = nowSignature[i];
        if (QFile::exists(folder + file)) {
            // A file the loader cannot read either is left to it, to report
            // as it always has; it takes no records from other lists.
            const std::optional<QList<Record>> records = ReadListRecords(folder + file);
            if (!records)
                continue;
            oldRecords[i] = *records;
            oldSide[i] = texts;
            rewrite[i] = true;
        }
        newSide[i] = &now[i];
    }
    const QList<QList<ItemPlace>> places = MatchListItems(oldSide, newSide);
    QList<QList<Record>> newRecords(kListCount);
    for (int j = 0; j < kListCount; ++j) {
        if (newSide[j])
            newRecords[j].resize(now[j].size());
    }
    for (int i = 0; i < kListCount; ++i) {
        for (int p = 0; oldSide[i] && p < oldSide[i]->size(); ++p) {
            const ItemPlace place = places[i][p];
            if (place.m_nList < 0 || p >= oldRecords[i].size())
                continue;
            newRecords[place.m_nList][place.m_nPos] = oldRecords[i][p];
            rewrite[place.m_nList] = true;
        }
    }
    for (int j = 0; j < kListCount; ++j) {
        if (rewrite[j])
            files.insert(ListFileName(j), ListFileContent(newRecords[j]));
    }

    // The history: global indices, carried over item by item.
    QList<ListSignature> was(kListCount);
    QList<HistoryIndexMap::Status> status(kListCount, HistoryIndexMap::Same);
    QList<const QStringList*> historyOld(kListCount, nullptr);
    QList<const QStringList*> historyNew(kListCount, nullptr);
    bool anyKnown = false;
    bool layoutKnown = true;
    for (int i = 0; i < kListCount; ++i) {
        was[i] = Entry(stored, kHistoryFileName, ListName(i));
        layoutKnown = layoutKnown && was[i].m_nCount >= 0;
        if (was[i] == nowSignature[i])
            continue;
        if (const QStringList* texts = known.Texts(i, was[i])) {
            status[i] = HistoryIndexMap::Known;
            historyOld[i] = texts;
            historyNew[i] = &now[i];
            anyKnown = true;
        } else {
            status[i] = HistoryIndexMap::Unknown;
        }
    }
    // Only lists of unknown versions changed: the history loads by position,
    // as it always did.
    if (anyKnown && layoutKnown) {
        for (int i = 0; i < kListCount; ++i)
            updated[kHistoryFileName][ListName(i)] = nowSignature[i];
        if (QFile::exists(folder + kHistoryFileName)) {
            if (const std::optional<HistoryFile> history =
                    ReadHistoryFile(folder + kHistoryFileName)) {
                const QList<QList<ItemPlace>> historyPlaces =
                    MatchListItems(historyOld, historyNew);
                const HistoryIndexMap map(was, now, status, historyPlaces);
                {
                    const HistoryFile carried = CarryHistory(*history, map);
                    files.insert(kHistoryFileName,
                                 HistoryFileContent(carried.m_nPos, carried.m_records));
                }
            }
        }
    }

    CarryReviews(folder, stored, now, nowSignature, known, updated, files);

    if (files.isEmpty() && updated == stored)
        return;
    // When this fails nothing has changed on disk: the files load by
    // position for this run, Save leaves them alone, and the next start
    // tries again.
    CommitCarryOver(folder, files, FormatStateSignatures(updated));
}

bool PrepareStateSave(const CDictionary& dic, const QString& folder)
{
    const int listCount = std::min(static_cast<int>(dic.m_lists.size()), kListCount);
    // The files this save writes, with the lists each is written for.
    QList<std::pair<QString, QList<int>>> writes;
    for (int i = 0; i < listCount; ++i) {
        if (dic.GetAt(i)->HasDirtyItems())
            writes.append({dic.m_lists.at(i)->GetFileName(), {i}});
    }
    QList<int> all;
    for (int i = 0; i < listCount; ++i)
        all.append(i);
    if (dic.m_bHistDirty)
        writes.append({kHistoryFileName, all});
    if (dic.m_reviews.m_bDirty)
        writes.append({kReviewFileName, all});
    if (writes.isEmpty())
        return true;

    QList<ListSignature> now;
    for (int i = 0; i < listCount; ++i) {
        QStringList texts;
        texts.reserve(dic.GetAt(i)->GetItemCount());
        for (const CDictionary::CItem& item : dic.GetAt(i)->m_items)
            texts.append(item.m_strText);
        now.append(MakeListSignature(texts));
    }
    KnownLists known;
    const StateSignatures stored = StoredSignatures(folder, known);
    StateSignatures updated = stored;
    for (const auto& [file, lists] : std::as_const(writes)) {
        bool current = true;
        for (int i : lists)
            current = current && Entry(stored, file, ListName(i)) == now[i];
        if (current)
            continue;
        if (QFile::exists(folder + file)) {
            for (int i : lists) {
                const ListSignature was = Entry(stored, file, ListName(i));
                if (was != now[i] && known.Texts(i, was)) {
                    FileFailure failure;
                    failure.m_bFileError = false;
                    failure.m_strMessage = QStringLiteral(
                        "The word lists have changed and the study state could not be carried "
                        "over to them yet.");
                    ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") +
                                   DescribeException(failure));
                    return false;
                }
            }
        }
        for (int i : lists)
            updated[file][ListName(i)] = now[i];
    }
    if (updated == stored)
        return true;
    // Before the files: a file must never be on disk without the word of
    // what it was written for.
    FileFailure failure;
    if (!WriteWholeFile(folder + kSignatureFileName, FormatStateSignatures(updated), failure)) {
        ShowMessageBox(kListSaveFailure + QStringLiteral("\r\n") + DescribeException(failure));
        return false;
    }
    return true;
}

#include "study/ReviewCarryOver.h"

#include <QHash>
#include <vector>

std::optional<CarriedReviews> CarryReviewFile(const StoredFile& old, qsizetype maxRecords,
                                              const ReviewPlaceMap& place)
{
    ReviewFileReader reader(old, maxRecords);
    if (reader.GetStatus() != ReviewFileReader::Readable)
        return std::nullopt;
    std::vector<ReviewFileRecord> carried;
    carried.reserve(size_t(reader.RecordCount()));
    // Two records that meet at one item (the file named it twice) keep the
    // later, as the load does.
    QHash<qint64, size_t> at;
    ReviewFileRecord record;
    while (reader.Next(record)) {
        if (!place(record.m_nList, record.m_nPos))
            continue;
        const qint64 key = (qint64(record.m_nList) << 32) | quint32(record.m_nPos);
        const auto it = at.constFind(key);
        if (it != at.constEnd()) {
            carried[*it] = record;
            continue;
        }
        at.insert(key, carried.size());
        carried.push_back(record);
    }
    ReviewFileWriter writer(reader.Header(), qsizetype(carried.size()));
    for (const ReviewFileRecord& kept : carried)
        writer.Append(kept.m_nList, kept.m_nPos, kept.m_state);
    return CarriedReviews{writer.Finish(), reader.Problem()};
}

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Where the study data gets the text of its word lists. The program reads the
// lists compiled into it; tests supply their own.
class CWordListSource {
public:
    virtual ~CWordListSource() = default;

    // The UTF-8 text of the list with that resource id (501 to 506), or
    // std::nullopt when there is no such list.
    virtual std::optional<QByteArray> Load(int resourceId) const;
};

struct WordListInfo {
    int m_nResourceId;
    const char* m_pszName;  // the file names' stem: "dic1_std1.dat"
    const char* m_pszTitle; // UTF-8, what the learner reads
};

// The six built-in lists, always taken in this order.
inline constexpr WordListInfo kWordLists[] = {
    {501, "dic1_std1", "小学1・2年の漢字"}, {502, "dic1_std2", "小学3・4年の漢字"},
    {503, "dic1_std3", "小学5・6年の漢字"}, {504, "dic1_std4", "中学以降の常用漢字"},
    {505, "dic1_std5", "表外漢字"},         {506, "dic2_std", "四字熟語"},
};

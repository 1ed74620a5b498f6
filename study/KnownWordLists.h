#pragma once

#include "study/ListSignature.h"

#include <QByteArray>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>

class CWordListSource;

// The versions of the word lists whose item texts the program still knows,
// so that records written for them can be carried over by item text: the
// lists that state files without a signature file were written for
// (resources/wordlists/previous), the earlier lists that signature files
// name (resources/wordlists/v2 and later, found by their signatures), and
// the current lists once they are set. Each list is read and hashed only
// when asked for.
class KnownWordLists {
public:
    KnownWordLists();

    ListSignature UnsignedSignature(int list);

    // The texts of that version of the list; null when we do not know it.
    const QStringList* Texts(int list, const ListSignature& signature);

    // The item counts of the signed earlier versions of the list.
    QList<qint32> SignedCounts(int list);

    // Whether the unsigned version of the list is, byte for byte, that text:
    // then it has that text's signature without anything being hashed.
    bool UnsignedTextIs(int list, const QByteArray& text) const;

    // The current lists, already split and hashed: while a list is what
    // it was, the old version is found without doing that again.
    void SetCurrent(int list, const QByteArray& text, const QStringList& items,
                    const ListSignature& signature);

private:
    struct Current {
        const QByteArray* m_pText = nullptr;
        const QStringList* m_pItems = nullptr;
        const ListSignature* m_pSignature = nullptr;
    };
    static constexpr int kLists = 6;

    void Ensure(int list);
    const QStringList* SignedTexts(int list, const ListSignature& signature);
    const QStringList& SignedFolders();
    const ListSignature& SignedSignature(int list, const QString& folder);

    std::shared_ptr<const CWordListSource> m_source;
    bool m_bLoaded[kLists] = {};
    QStringList m_texts[kLists];
    ListSignature m_signatures[kLists];
    Current m_current[kLists];
    // The signed versions' resource folders, once listed.
    std::optional<QStringList> m_signedFolders;
    // (list, folder) -> the signature of that list there, and its texts
    // once they were asked for.
    std::map<std::pair<int, QString>, ListSignature> m_signedSignatures;
    std::map<std::pair<int, QString>, QStringList> m_signedTexts;
};

// The lists that state files without a signature file were written for;
// null: the lists shipped for that purpose. Installing test word lists
// installs them here too, so that state files written by hand for them load
// as they are.
void SetUnsignedWordListSource(std::shared_ptr<const CWordListSource> source);

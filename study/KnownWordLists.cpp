#include "study/KnownWordLists.h"

#include "study/CWordListSource.h"
#include "study/WordListText.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

static_assert(std::size(kWordLists) == 6);

std::optional<QByteArray> ShippedList(const QString& folder, int list)
{
    QFile file(
        QStringLiteral(":/dictionary/%1/%2").arg(folder).arg(kWordLists[list].m_nResourceId));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The lists state files without a signature file were written for.
class ShippedPreviousLists : public CWordListSource {
public:
    std::optional<QByteArray> Load(int resourceId) const override
    {
        for (int list = 0; list < static_cast<int>(std::size(kWordLists)); ++list) {
            if (kWordLists[list].m_nResourceId == resourceId)
                return ShippedList(QStringLiteral("previous"), list);
        }
        return std::nullopt;
    }
};

std::shared_ptr<const CWordListSource>& InstalledUnsignedSource()
{
    static std::shared_ptr<const CWordListSource> source;
    return source;
}

// The unsigned lists' signatures, once computed, until another unsigned
// source is installed: every save without a signature file compares them,
// and hashing the lists each time made a save grow with them.
std::optional<ListSignature>* UnsignedSignatureCache()
{
    static std::optional<ListSignature> signatures[std::size(kWordLists)];
    return signatures;
}

} // namespace

KnownWordLists::KnownWordLists() : m_source(InstalledUnsignedSource())
{
    if (!m_source)
        m_source = std::make_shared<ShippedPreviousLists>();
}

ListSignature KnownWordLists::UnsignedSignature(int list)
{
    std::optional<ListSignature>& cached = UnsignedSignatureCache()[list];
    if (!cached) {
        Ensure(list);
        cached = m_signatures[list];
    }
    return *cached;
}

const QStringList* KnownWordLists::Texts(int list, const ListSignature& signature)
{
    if (list < 0 || list >= kLists || signature.m_nCount < 0)
        return nullptr;
    Ensure(list);
    if (m_signatures[list] == signature)
        return &m_texts[list];
    return SignedTexts(list, signature);
}

const QStringList& KnownWordLists::SignedFolders()
{
    if (!m_signedFolders) {
        m_signedFolders = QDir(QStringLiteral(":/dictionary"))
                              .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        m_signedFolders->removeAll(QStringLiteral("previous"));
    }
    return *m_signedFolders;
}

const ListSignature& KnownWordLists::SignedSignature(int list, const QString& folder)
{
    const std::pair<int, QString> key(list, folder);
    auto known = m_signedSignatures.find(key);
    if (known == m_signedSignatures.end()) {
        const std::optional<QByteArray> text = ShippedList(folder, list);
        known = m_signedSignatures.emplace(key, text ? SignatureOfListText(*text) : ListSignature())
                    .first;
    }
    return known->second;
}

const QStringList* KnownWordLists::SignedTexts(int list, const ListSignature& signature)
{
    for (const QString& folder : SignedFolders()) {
        if (SignedSignature(list, folder) != signature)
            continue;
        const std::pair<int, QString> key(list, folder);
        auto texts = m_signedTexts.find(key);
        if (texts == m_signedTexts.end())
            texts =
                m_signedTexts
                    .emplace(key, ListItemTexts(ShippedList(folder, list).value_or(QByteArray())))
                    .first;
        return &texts->second;
    }
    return nullptr;
}

QList<qint32> KnownWordLists::SignedCounts(int list)
{
    QList<qint32> counts;
    for (const QString& folder : SignedFolders())
        counts.append(SignedSignature(list, folder).m_nCount);
    return counts;
}

bool KnownWordLists::UnsignedTextIs(int list, const QByteArray& text) const
{
    const std::optional<QByteArray> own = m_source->Load(kWordLists[list].m_nResourceId);
    return own.value_or(QByteArray()) == text;
}

void KnownWordLists::SetCurrent(int list, const QByteArray& text, const QStringList& items,
                                const ListSignature& signature)
{
    m_current[list] = {&text, &items, &signature};
}

void KnownWordLists::Ensure(int list)
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

void SetUnsignedWordListSource(std::shared_ptr<const CWordListSource> source)
{
    InstalledUnsignedSource() = std::move(source);
    std::fill_n(UnsignedSignatureCache(), std::size(kWordLists), std::nullopt);
}

#include "recognition/CRecognizer.h"

#include "recognition/Segmentation.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <zinnia.h>

namespace {

// The share of the frame left free on each side. The model was trained on
// characters written inside a box with some room around them; with less
// room, a full-box 口 reads as 囗.
constexpr qreal kFrameMargin = 0.15;

} // namespace

struct CRecognizer::Impl {
    std::unique_ptr<zinnia::Recognizer> recognizer{zinnia::Recognizer::create()};
    QSet<QString> vocabulary;
};

CRecognizer::CRecognizer() : m_pImpl(std::make_unique<Impl>()) {}

CRecognizer::~CRecognizer()
{
    if (m_bOpen)
        m_pImpl->recognizer->close();
}

bool CRecognizer::Open(const QString& path, QString* error)
{
    if (m_bOpen) {
        m_pImpl->recognizer->close();
        m_pImpl->vocabulary.clear();
        m_bOpen = false;
    }
    // The library maps the file without checking much of it first; a file
    // that is not there or is empty is refused here with a readable reason.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0) {
        if (error)
            *error = QStringLiteral("no model file at %1").arg(path);
        return false;
    }
    if (!m_pImpl->recognizer->open(QFile::encodeName(path).constData())) {
        if (error)
            *error = QString::fromUtf8(m_pImpl->recognizer->what());
        return false;
    }
    const size_t size = m_pImpl->recognizer->size();
    if (size == 0) {
        m_pImpl->recognizer->close();
        if (error)
            *error = QStringLiteral("the model at %1 names no characters").arg(path);
        return false;
    }
    m_pImpl->vocabulary.reserve(int(size));
    for (size_t i = 0; i < size; ++i)
        m_pImpl->vocabulary.insert(QString::fromUtf8(m_pImpl->recognizer->value(i)));
    m_bOpen = true;
    return true;
}

bool CRecognizer::Knows(const QString& character) const
{
    return m_bOpen && m_pImpl->vocabulary.contains(character);
}

int CRecognizer::CharacterCount() const
{
    return m_bOpen ? int(m_pImpl->vocabulary.size()) : 0;
}

QStringList CRecognizer::Classify(const InkStrokes& strokes, int count, QList<double>* scores) const
{
    QStringList candidates;
    if (scores)
        scores->clear();
    if (!m_bOpen || count <= 0)
        return candidates;
    std::unique_ptr<zinnia::Character> character(zinnia::Character::create());
    character->set_width(kFrameSize);
    character->set_height(kFrameSize);
    size_t id = 0;
    for (const InkStroke& stroke : strokes) {
        if (stroke.points.isEmpty())
            continue;
        // A tap is a stroke of one point; the library wants a line.
        const int repeat = stroke.points.size() == 1 ? 2 : 1;
        for (int r = 0; r < repeat; ++r)
            for (const InkPoint& point : stroke.points)
                character->add(id, qRound(point.pos.x()), qRound(point.pos.y()));
        ++id;
    }
    if (id == 0)
        return candidates;
    std::unique_ptr<zinnia::Result> result(
        m_pImpl->recognizer->classify(*character, size_t(count)));
    if (!result)
        return candidates;
    for (size_t i = 0; i < result->size(); ++i) {
        candidates.append(QString::fromUtf8(result->value(i)));
        if (scores)
            scores->append(result->score(i));
    }
    return candidates;
}

InkStrokes NormaliseToFrame(const InkStrokes& strokes, const QRectF& cell)
{
    bool hasInk = false;
    const QRectF ink = InkBounds(strokes, &hasInk);
    if (!hasInk)
        return {};
    const QPointF centre = cell.isEmpty() ? ink.center() : cell.center();
    // Half the side of the square: the cell's longer half-side, or further
    // if the ink reaches beyond it; never zero, so a lone dot maps finitely.
    qreal half = cell.isEmpty() ? 0 : qMax(cell.width(), cell.height()) / 2;
    half = qMax(half, qMax(qAbs(ink.left() - centre.x()), qAbs(ink.right() - centre.x())));
    half = qMax(half, qMax(qAbs(ink.top() - centre.y()), qAbs(ink.bottom() - centre.y())));
    half = qMax(half, 0.5);
    const qreal margin = CRecognizer::kFrameSize * kFrameMargin;
    const qreal scale = (CRecognizer::kFrameSize / 2.0 - margin) / half;
    const QPointF frameCentre(CRecognizer::kFrameSize / 2.0, CRecognizer::kFrameSize / 2.0);
    InkStrokes mapped;
    mapped.reserve(strokes.size());
    for (const InkStroke& stroke : strokes) {
        if (stroke.points.isEmpty())
            continue;
        InkStroke out;
        out.points.reserve(stroke.points.size());
        for (const InkPoint& point : stroke.points) {
            InkPoint p = point;
            p.pos = frameCentre + (point.pos - centre) * scale;
            out.points.append(p);
        }
        mapped.append(out);
    }
    return mapped;
}

#include "recognition/CRecognizer.h"

#include "recognition/ModelCheck.h"
#include "recognition/ModelLocation.h"
#include "recognition/Segmentation.h"

#include <QFile>
#include <QLineF>
#include <QSet>
#include <zinnia.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The share of the frame left free on each side. The model was trained on
// characters written inside a box with some room around them; with less
// room, a full-box 口 reads as 囗.
constexpr qreal kFrameMargin = 0.15;

// The library's cost and memory grow with the points of a stroke; its
// features need only a stroke's course, which this many points along it
// keep to well under a hundredth of the frame.
constexpr int kRecognitionPoints = 64;

// Points at equal steps along the stroke, its ends kept; a stroke of no
// more points than that comes back as it is.
QList<QPointF> Resampled(const InkStroke& stroke, int count)
{
    const QList<InkPoint>& points = stroke.points;
    QList<QPointF> out;
    if (points.size() <= count) {
        out.reserve(points.size());
        for (const InkPoint& point : points)
            out.append(point.pos);
        return out;
    }
    qreal length = 0;
    for (qsizetype i = 1; i < points.size(); ++i)
        length += QLineF(points[i - 1].pos, points[i].pos).length();
    out.reserve(count);
    out.append(points.first().pos);
    const qreal step = length / (count - 1);
    qreal walked = 0; // along the stroke to points[i - 1]
    qsizetype i = 1;
    for (int k = 1; k < count - 1 && step > 0; ++k) {
        const qreal target = k * step;
        qreal piece = QLineF(points[i - 1].pos, points[i].pos).length();
        while (walked + piece < target && i < points.size() - 1) {
            walked += piece;
            ++i;
            piece = QLineF(points[i - 1].pos, points[i].pos).length();
        }
        const qreal t = piece > 0 ? qBound(0.0, (target - walked) / piece, 1.0) : 0.0;
        out.append(points[i - 1].pos + t * (points[i].pos - points[i - 1].pos));
    }
    out.append(points.last().pos);
    return out;
}

} // namespace

struct CRecognizer::Impl {
    std::unique_ptr<zinnia::Recognizer> recognizer{zinnia::Recognizer::create()};
    QSet<QString> vocabulary;
    // The model's bytes, mapped: the library keeps pointers into them.
    QFile file;
    uchar* bytes = nullptr;
};

CRecognizer::CRecognizer() : m_pImpl(std::make_unique<Impl>()) {}

CRecognizer::~CRecognizer()
{
    Close();
}

void CRecognizer::Close()
{
    if (m_bOpen)
        m_pImpl->recognizer->close();
    m_bOpen = false;
    m_pImpl->vocabulary = {};
    if (m_pImpl->bytes)
        m_pImpl->file.unmap(m_pImpl->bytes);
    m_pImpl->bytes = nullptr;
    m_pImpl->file.close();
}

bool CRecognizer::Open(const QString& path, QString* error)
{
    Close();
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (const QString problem = ModelFileProblem(path); !problem.isEmpty())
        return fail(problem);
    // Without waiting: the path may have become a pipe since it was looked
    // at, and opening a pipe waits for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status = {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
        if (fd >= 0)
            ::close(fd);
        return fail(QStringLiteral("%1 を読めません。").arg(path));
    }
    if (!m_pImpl->file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return fail(QStringLiteral("%1 を読めません。").arg(path));
    const qint64 size = status.st_size;
    m_pImpl->bytes = m_pImpl->file.map(0, size);
    if (!m_pImpl->bytes) {
        Close();
        return fail(QStringLiteral("%1 を読めません。").arg(path));
    }
    // The library reads only what was checked here, never the file again.
    const QString unusable = QStringLiteral("%1 は使えません。").arg(path);
    if (const QString problem = ZinniaModelProblem(m_pImpl->bytes, size); !problem.isEmpty()) {
        Close();
        return fail(unusable + problem);
    }
    if (!m_pImpl->recognizer->open(reinterpret_cast<const char*>(m_pImpl->bytes), size_t(size))) {
        const QString why = QString::fromUtf8(m_pImpl->recognizer->what());
        Close();
        return fail(unusable + why);
    }
    m_bOpen = true;
    const size_t characters = m_pImpl->recognizer->size();
    m_pImpl->vocabulary.reserve(int(characters));
    for (size_t i = 0; i < characters; ++i)
        m_pImpl->vocabulary.insert(QString::fromUtf8(m_pImpl->recognizer->value(i)));
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
        const QList<QPointF> points = Resampled(stroke, kRecognitionPoints);
        // A tap is a stroke of one point; the library wants a line.
        const int repeat = points.size() == 1 ? 2 : 1;
        for (int r = 0; r < repeat; ++r)
            for (const QPointF& point : points)
                character->add(id, qRound(point.x()), qRound(point.y()));
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

#include "platform/SizedIconEngine.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

SizedIconEngine::SizedIconEngine(const QString& folder) : m_folder(folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        bool isNumber = false;
        const int side = QFileInfo(name).completeBaseName().toInt(&isNumber);
        if (isNumber && side > 0)
            m_files.insert(side, dir.filePath(name));
    }
}

QIconEngine* SizedIconEngine::clone() const
{
    return new SizedIconEngine(*this);
}

QString SizedIconEngine::key() const
{
    return QStringLiteral("SizedIconEngine");
}

bool SizedIconEngine::isNull()
{
    return m_files.isEmpty();
}

int SizedIconEngine::BestSide(const QSize& size) const
{
    if (m_files.isEmpty())
        return 0;
    const int wanted = qMax(size.width(), size.height());
    const auto found = m_files.lowerBound(wanted);
    return found != m_files.cend() ? found.key() : m_files.lastKey();
}

QPixmap SizedIconEngine::Stored(int side)
{
    auto found = m_decoded.constFind(side);
    if (found == m_decoded.cend())
        found = m_decoded.insert(side, QPixmap(m_files.value(side)));
    return *found;
}

QSize SizedIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    const int side = BestSide(size);
    if (side == 0)
        return {};
    QSize actual(side, side);
    // Never larger than asked for: a larger PNG is scaled down to fit.
    if (actual.width() > size.width() || actual.height() > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QPixmap SizedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const int side = BestSide(size);
    if (side == 0)
        return {};
    QPixmap result = Stored(side);
    const QSize actual = actualSize(size, mode, state);
    if (!result.isNull() && result.size() != actual)
        result = result.scaled(actual, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mode != QIcon::Normal && !result.isNull()) {
        // Greyed or highlighted as the style draws every other icon.
        if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            const QPixmap styled = app->style()->generatedIconPixmap(mode, result, &option);
            if (!styled.isNull())
                result = styled;
        }
    }
    return result;
}

void SizedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                            QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    painter->drawPixmap(rect, picture);
}

QList<QSize> SizedIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    // The PNGs are the normal, "off" pictures; the others are made from them.
    if (mode != QIcon::Normal || state != QIcon::Off)
        return {};
    QList<QSize> sizes;
    for (const int side : m_files.keys())
        sizes.append(QSize(side, side));
    return sizes;
}

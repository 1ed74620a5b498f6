#pragma once

#include <QIconEngine>
#include <QMap>
#include <QPixmap>
#include <QString>

// An icon drawn from a folder of square PNGs named by their size ("16",
// "32", ...). Only the file names are read when the icon is made; a PNG is
// decoded the first time a size near it is asked for. The window system asks
// for one or two sizes, so decoding all eight at start-up was wasted work.
class SizedIconEngine : public QIconEngine {
public:
    explicit SizedIconEngine(const QString& folder);

    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;

private:
    // The side of the stored PNG that serves `size`: the smallest one at
    // least as large, else the largest; 0 when there are none.
    int BestSide(const QSize& size) const;
    QPixmap Stored(int side);

    QString m_folder;
    QMap<int, QString> m_files;   // side -> resource path
    QMap<int, QPixmap> m_decoded; // side -> the PNG, once read
};

#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QString>

// Decoded pictures by path, read again only when the file changes: the same logo goes on every
// result sticker, and decoding it each time cost more than drawing the sticker.
class PictureCache {
public:
    QImage load(const QString& path);

private:
    struct Entry {
        QDateTime changed;
        QImage image;
    };
    QHash<QString, Entry> mEntries;
};

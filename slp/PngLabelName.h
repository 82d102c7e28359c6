#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A file printer's label carries its name in a PNG tEXt chunk "Label" right after the header, so
// that a search reads only the first few hundred bytes of each file.
QByteArray withLabelName(const QByteArray& png, const QByteArray& name);

// The name in the file's header chunks: empty when it has none; nothing when the file cannot be
// read or is no PNG.
std::optional<QByteArray> labelNameOf(const QString& path);

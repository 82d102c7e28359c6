#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Lets the loader judge a printer library before the tool maps it: in a child process, so that a
// file cut short, whose missing part the loader would touch with SIGBUS, ends the child and not the
// desk after a row has been recorded. The library must be a plain file the loader takes whole
// (every part it maps inside the file) and must export each of `functions`. Throws AppError
// "Cannot load library <path>: <why>", with the loader's own words where it gives them.
void CheckLibrary(const QString& path, const QList<QByteArray>& functions = {});

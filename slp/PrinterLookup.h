#pragma once

#include "LabelOutput.h"

#include <QString>
#include <memory>

// The printer of that name: a folder <application folder>/printers/<name>/ first, then a CUPS
// queue whose name or description it is. Nothing when neither exists. When CUPS could not be
// asked, a printer whose every label fails with the reason: the labels are lost, not silently
// skipped.
std::unique_ptr<LabelOutput> findPrinter(const QString& applicationFolder, const QString& name);

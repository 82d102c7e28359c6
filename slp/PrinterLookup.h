#pragma once

#include "LabelOutput.h"

#include <QString>
#include <memory>

// The printer of that name: a folder <application folder>/printers/<name>/ first, then a CUPS
// queue whose name or description it is. Nothing when neither exists; whyNot then stays empty,
// unless CUPS could not be asked.
std::unique_ptr<LabelOutput> findPrinter(const QString& applicationFolder, const QString& name,
                                         QString& whyNot);

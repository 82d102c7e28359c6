#pragma once

#include "LabelOutput.h"
#include "SlpFailure.h"

#include <QString>
#include <memory>

// The printer of that name: a folder <application folder>/printers/<name>/ first, then a CUPS
// queue whose name or description it is. Nothing, with whyNot saying why, when neither exists, when
// CUPS could not be asked, or when the queue cannot take labels (two of that name, no driver).
std::unique_ptr<LabelOutput> findPrinter(const QString& applicationFolder, const QString& name,
                                         SlpFailure& whyNot);

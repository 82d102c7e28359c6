#pragma once

#include "LabelOutput.h"

#include <QString>

// A CUPS queue: each label is printed as one page of the label's size.
class CupsPrinter final : public LabelOutput {
public:
    explicit CupsPrinter(QString queueName);
    bool printLabel(const LabelContent& content) override;

    // The queue whose name or description is printerName; empty when there is none.
    static QString findQueue(const QString& printerName);

private:
    QString mQueueName;
};

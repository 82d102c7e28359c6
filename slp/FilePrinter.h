#pragma once

#include "LabelOutput.h"

#include <QString>

// A folder standing in for a printer: each label becomes the next numbered PNG, 000001.png on.
class FilePrinter final : public LabelOutput {
public:
    explicit FilePrinter(QString folder);
    bool printLabel(const LabelContent& content) override;

    // The name the next label gets, continuing from the highest number already in the folder.
    QString nextFileName() const;

private:
    QString mFolder;
};

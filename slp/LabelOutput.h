#pragma once

#include "LabelContent.h"
#include "SlpFailure.h"

#include <QString>

// Where finished labels go: a folder of PNG files or a CUPS queue.
class LabelOutput {
public:
    virtual ~LabelOutput() = default;
    // true once the label reached the printer; otherwise false and why, in a few plain words.
    virtual bool printLabel(const LabelContent& content, SlpFailure& whyNot) = 0;
};

#pragma once

#include "LabelContent.h"

// Where finished labels go: a folder of PNG files or a CUPS queue.
class LabelOutput {
public:
    virtual ~LabelOutput() = default;
    // false when the label could not be handed on.
    virtual bool printLabel(const LabelContent& content) = 0;
};

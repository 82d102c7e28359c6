#pragma once

#include <QString>

// The window's two input boxes as the label job and ResetLabelJob see them.
class JobBoxes {
public:
    virtual ~JobBoxes() = default;
    virtual QString text2() const = 0;
    virtual void setText1(const QString& text) = 0;
    virtual void setText2(const QString& text) = 0;
};

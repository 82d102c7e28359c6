#pragma once

#include <QString>

#include <stdexcept>

// An error that nothing on its way handles: it ends start-up or the window event that started
// the work. The description is the underlying layer's own text (driver, loader, conversion).
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& description)
        : std::runtime_error(description.toStdString()), mDescription(description) {}

    const QString& description() const noexcept { return mDescription; }

private:
    QString mDescription;
};

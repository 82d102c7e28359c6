#include "SlpProfile.h"

QSize SlpProfile::labelSize(int labelType) const {
    switch (labelType) {
    case 2:
        return normalLabel;
    case 4:
        return smallLabel;
    default:
        return {};
    }
}

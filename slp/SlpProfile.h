#pragma once

#include <QSize>

// One printer generation: its resolution and the labels it is loaded with.
struct SlpProfile {
    int dpi;
    QSize normalLabel; // label-type code 2, in dots, as the label runs through the printer
    QSize smallLabel;  // label-type code 4

    // An empty size for a label-type code this generation does not know.
    QSize labelSize(int labelType) const;
};

// The generation this library was built for.
const SlpProfile& currentProfile();

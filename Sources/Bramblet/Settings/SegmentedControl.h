#pragma once

#include "Bramblet/Theme/SegmentFrame.h"

#include <QStringList>

namespace bramblet {

// A row of text segments of which exactly one is selected, drawn on the control-selection colour.
class SegmentedControl : public SegmentFrame {
    Q_OBJECT

public:
    SegmentedControl(const QStringList& labels, const QFont& font, QWidget* parent = nullptr);

    int segmentCount() const;
    QString label(int segment) const;
    int selectedSegment() const;
    void setSelectedSegment(int segment);

signals:
    // The user chose a segment (also the one already selected).
    void segmentClicked(int segment);
};

} // namespace bramblet

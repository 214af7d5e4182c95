#pragma once

#include "Bramblet/Theme/SegmentFrame.h"

namespace bramblet {

// The list, grid and tree switch of a file pane: three symbol segments, at most one selected, the
// selected one on the control-selection colour. Segment index = PaneMode order.
class ModeControl : public SegmentFrame {
    Q_OBJECT

public:
    explicit ModeControl(QWidget* parent = nullptr);

    // -1 when no segment is selected.
    int selectedSegment() const;
    void setSelectedSegment(int segment);
    bool isSegmentEnabled(int segment) const;
    void setSegmentEnabled(int segment, bool enabled);

signals:
    // The user chose a segment.
    void segmentClicked();
};

} // namespace bramblet

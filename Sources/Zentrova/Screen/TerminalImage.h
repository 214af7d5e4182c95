#pragma once

namespace zentrova {

// An image attached to a row by the image protocols (sixel, inline and kitty images alike). The
// screen model keeps, copies and drops lists of them and reads no member; the image protocols move
// an image sideways through `col` (its left column).
class TerminalImage {
public:
    virtual ~TerminalImage() = default;
    virtual int pixelWidth() const { return 0; }
    virtual int pixelHeight() const { return 0; }
    int col() const { return m_col; }
    void setCol(int col) { m_col = col; }

private:
    int m_col = 0;
};

} // namespace zentrova

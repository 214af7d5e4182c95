#pragma once

#include <QString>
#include <QWidget>

class QHBoxLayout;

namespace bramblet {

// A folder path as a row of its folders, from the root down; clicking one reports its path.
// It gives way first when the header is narrow.
class PathControl : public QWidget {
    Q_OBJECT

public:
    explicit PathControl(QWidget* parent = nullptr);

    const QString& path() const { return m_path; }
    void setPath(const QString& path);

signals:
    void pathClicked(const QString& path);

private:
    QString m_path;
    QHBoxLayout* m_layout;
};

} // namespace bramblet

#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QObject>

#include <optional>

namespace bramblet {

// The application-wide choice between the light and the dark look, and the look in effect.
//
// An explicit appearance installs the application palette of that look, so stock widgets follow it
// too. Without one the application keeps the platform palette and is dark exactly when that
// palette's window colour is dark; the platform announces its own switches as palette changes, and
// the effective appearance is re-read on each. Adaptive colours resolve against
// `effectiveAppearance()`. Every switch changes the application palette, which repaints all
// windows, so a view that resolves its colours when painting needs nothing more; whoever keeps a
// resolved colour listens to `effectiveAppearanceChanged`. Main thread only; the one instance
// lives as a child of the application object.
class ApplicationAppearance : public QObject {
    Q_OBJECT

public:
    // The instance of the running application (a QGuiApplication must exist).
    static ApplicationAppearance& shared();

    // The application's own appearance; none means the system's applies.
    std::optional<Appearance> appearance() const { return m_appearance; }
    void setAppearance(std::optional<Appearance> appearance);

    Appearance effectiveAppearance() const { return m_effective; }

signals:
    void effectiveAppearanceChanged(bramblet::Appearance appearance);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ApplicationAppearance(QObject* application);
    void reevaluate();

    std::optional<Appearance> m_appearance;
    Appearance m_effective = Appearance::light;
};

} // namespace bramblet

#include "Bramblet/LaunchOptions.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationName(QStringLiteral("Bramblet"));
    QApplication::setApplicationVersion(QStringLiteral(BRAMBLET_VERSION));

    const auto options = bramblet::LaunchOptions::parse(QApplication::arguments(), QDir::homePath());
    Q_UNUSED(options); // the workspace takes them once it exists

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bramblet"));
    window.resize(1200, 760);
    window.show();
    return QApplication::exec();
}

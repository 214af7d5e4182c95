#include "Bramblet/LaunchOptions.h"

namespace bramblet {

namespace {

QString valueAfter(const QStringList& arguments, const QString& option, const QString& fallback)
{
    const auto index = arguments.indexOf(option);
    if (index < 0 || index + 1 >= arguments.size())
        return fallback;
    return arguments[index + 1];
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList& arguments, const QString& home)
{
    LaunchOptions options;
    options.left = valueAfter(arguments, QStringLiteral("--left"), home);
    options.right = valueAfter(arguments, QStringLiteral("--right"), home);
    options.temporary = arguments.contains(QStringLiteral("--temporary"));
    options.debugSettings = arguments.contains(QStringLiteral("--debug-settings"));
    return options;
}

} // namespace bramblet

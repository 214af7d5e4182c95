#include "ZentrovaView/FindPasteboard.h"

namespace zentrova {
namespace {

QString& storedTerm()
{
    static QString term;
    return term;
}

} // namespace

QString FindPasteboard::string()
{
    return storedTerm();
}

void FindPasteboard::setString(const QString& term)
{
    storedTerm() = term;
}

} // namespace zentrova

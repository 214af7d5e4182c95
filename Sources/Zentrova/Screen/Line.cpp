#include "Zentrova/Screen/Line.h"

namespace zentrova {

void Line::add(LineFragment fragment)
{
    m_length += fragment.length;
    m_fragments.push_back(std::move(fragment));
}

std::string Line::debugDescription() const
{
    if (m_fragments.empty())
        return "[]";
    std::string result = std::to_string(m_fragments.size()) + "/" + std::to_string(m_length) + ": [";
    for (const auto& fragment : m_fragments) {
        if (fragment.text)
            result += *fragment.text == "\n" ? "\\n" : *fragment.text;
        result += "][";
    }
    return result;
}

} // namespace zentrova

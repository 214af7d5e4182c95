#include "Zentrova/Engine/InternedCharacters.h"

namespace zentrova {

std::optional<uint32_t> InternedCharacters::intern(std::u32string_view cluster)
{
    if (auto found = m_codes.find(cluster); found != m_codes.end())
        return found->second;
    m_newClustersSinceCollection++;
    uint32_t code;
    if (!m_freeCodes.empty()) {
        code = m_freeCodes.back();
        m_freeCodes.pop_back();
    } else if (m_clusters.size() < capacity) {
        code = firstCode + uint32_t(m_clusters.size());
        m_clusters.emplace_back();
    } else {
        return std::nullopt;
    }
    std::u32string& text = m_clusters[code - firstCode];
    text = cluster;
    m_codes.emplace(text, code);
    return code;
}

const std::u32string* InternedCharacters::cluster(uint32_t code) const
{
    if (!isInternedCode(code) || code - firstCode >= m_clusters.size())
        return nullptr;
    const auto& text = m_clusters[code - firstCode];
    return text.empty() ? nullptr : &text;
}

size_t InternedCharacters::retainOnly(const std::vector<bool>& live)
{
    size_t freed = 0;
    for (size_t index = 0; index < m_clusters.size(); index++) {
        auto& text = m_clusters[index];
        if (text.empty() || (index < live.size() && live[index]))
            continue;
        m_codes.erase(text);
        text.clear();
        text.shrink_to_fit();
        m_freeCodes.push_back(firstCode + uint32_t(index));
        freed++;
    }
    m_newClustersSinceCollection = 0;
    return freed;
}

} // namespace zentrova

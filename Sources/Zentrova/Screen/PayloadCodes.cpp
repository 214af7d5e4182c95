#include "Zentrova/Screen/PayloadCodes.h"

#include "Zentrova/Screen/TinyAtom.h"

#include <algorithm>
#include <vector>

namespace zentrova {

// Requests made before this holder existed concern codes it never held.
PayloadCodes::PayloadCodes()
    : m_seenRequests(TinyAtom::collectionRequests())
{
}

PayloadCodes::~PayloadCodes()
{
    std::vector<uint16_t> all(m_codes.begin(), m_codes.end());
    TinyAtom::release(all);
}

bool PayloadCodes::needsCollection() const
{
    return m_codes.size() >= m_nextCollection
        || (!m_codes.empty() && TinyAtom::collectionRequests() != m_seenRequests);
}

void PayloadCodes::noteRefusal()
{
    m_refusalsToSkip = m_refusalsToSkip == 0 ? collectionThreshold : m_refusalsToSkip - 1;
}

size_t PayloadCodes::collect(const std::unordered_set<uint16_t>& live)
{
    std::vector<uint16_t> dead;
    for (auto code : m_codes) {
        if (!live.contains(code))
            dead.push_back(code);
    }
    TinyAtom::release(dead);
    for (auto code : dead)
        m_codes.erase(code);
    m_nextCollection = std::max(collectionThreshold, 2 * m_codes.size());
    m_seenRequests = TinyAtom::collectionRequests();
    return dead.size();
}

} // namespace zentrova

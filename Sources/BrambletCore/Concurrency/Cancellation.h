#pragma once

#include <functional>
#include <utility>

namespace bramblet {

// Lets work on a service's executor notice that its caller cancelled the future. Checked where
// the work can stop cleanly; never forces anything.
class Cancellation {
public:
    explicit Cancellation(std::function<bool()> isCancelled)
        : m_isCancelled(std::move(isCancelled))
    {
    }

    bool isCancelled() const { return m_isCancelled && m_isCancelled(); }

private:
    std::function<bool()> m_isCancelled;
};

} // namespace bramblet

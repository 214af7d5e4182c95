#pragma once

#include "Zentrova/Screen/DiagnosticLog.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace zentrova {

// A list of at most maxLength() elements in a fixed ring of slots, oldest first: once full, adding
// at the end drops the oldest element without moving the others. Logical index i lives in slot
// (startIndex + i) modulo the slot count.
template <typename T>
class CircularList {
public:
    // Makes the element for an empty slot on its first read; receives the slot number.
    std::function<T(int)> makeEmpty;
    // Told why shiftElements() refused a move.
    DiagnosticLog log;

    explicit CircularList(int maxLength)
        : m_array(static_cast<size_t>(std::max(maxLength, 1)))
    {
    }
    virtual ~CircularList() = default;
    CircularList(const CircularList&) = delete;
    CircularList& operator=(const CircularList&) = delete;

    int count() const { return m_count; }
    // At most maxLength().
    void setCount(int count) { m_count = std::clamp(count, 0, maxLength()); }

    int maxLength() const { return int(m_array.size()); }
    // Keeps the oldest elements that fit (trimStart() first to keep the newest); count() is left as it is.
    void setMaxLength(int maxLength)
    {
        maxLength = std::max(maxLength, 1);
        if (maxLength == this->maxLength())
            return;
        std::vector<std::optional<T>> array(static_cast<size_t>(maxLength));
        for (int i = 0; i < std::min(this->maxLength(), maxLength); i++)
            array[size_t(i)] = std::move(slot(i));
        m_array = std::move(array);
        m_startIndex = 0;
    }

    int startIndex() const { return m_startIndex; }
    bool isFull() const { return m_count == maxLength(); }

    // The element at a logical index (not compared with count()); an empty slot is filled first.
    const T& operator[](int index)
    {
        auto& element = slot(index);
        if (!element) [[unlikely]]
            fillEmpty(element, index);
        return *element;
    }

    void set(int index, T value)
    {
        attached(value);
        slot(index) = std::move(value);
    }

    // Appends; a full list drops its oldest element.
    void push(T value)
    {
        attached(value);
        bool hadRoom = m_count < maxLength();
        slot(m_count) = value;
        if (hadRoom)
            m_count++;
        else
            advanceStart(1);
        pushed(value);
    }

    // The oldest element becomes the newest, in place; the list must be full.
    void recycle() { advanceStart(1); }

    // Removes `deleteCount` elements at `start` and inserts `items` there, calling `change` with every
    // index whose element changed. When the result would not fit, the oldest elements fall out.
    void splice(int start, int deleteCount, std::span<const T> items, const std::function<void(int)>& change)
    {
        auto changed = [&](int index) {
            if (change)
                change(index);
        };
        start = std::clamp(start, 0, m_count);
        deleteCount = std::min(deleteCount, m_count - start);
        if (deleteCount > 0) {
            for (int i = start; i < m_count - deleteCount; i++) {
                slot(i) = slot(i + deleteCount);
                changed(i);
            }
            m_count -= deleteCount;
        }
        // Moving the tail right into slots that still hold the oldest elements would overwrite rows
        // that are kept, so drop the oldest first (and, if that is not enough, the first items).
        int excess = m_count + int(items.size()) - maxLength();
        if (excess > 0) {
            int dropped = std::min(excess, start);
            trimStart(dropped);
            start -= dropped;
            excess -= dropped;
            for (int i = 0; i < start; i++)
                changed(i);
            items = items.subspan(size_t(excess));
        }
        int n = int(items.size());
        for (int i = m_count - 1; i >= start; i--) {
            slot(i + n) = slot(i);
            changed(i + n);
        }
        for (int c = 0; c < n; c++) {
            changed(start + c);
            attached(items[size_t(c)]);
            slot(start + c) = items[size_t(c)];
        }
        m_count += n;
    }

    // Moves the element at `from` back to `to` (not after `from`); the elements between move up one
    // place each. Costs the distance, not the list's length.
    void moveBack(int from, int to)
    {
        // Swapped along rather than held aside, which the optimiser takes for a read of nothing.
        for (int i = from; i > to; i--)
            std::swap(slot(i), slot(i - 1));
    }

    // Empties every slot; the slots themselves stay, so the list can be used again without allocating.
    void clear()
    {
        for (auto& element : m_array)
            element.reset();
        m_count = 0;
        m_startIndex = 0;
    }

    // Drops the `count` oldest elements.
    void trimStart(int count)
    {
        int dropped = std::clamp(count, 0, m_count);
        advanceStart(dropped);
        m_count -= dropped;
    }

    // Copies the run of `count` elements at `start` by `offset` places; the places it leaves keep
    // their elements. A run moved past the end extends the list, dropping the oldest elements when it
    // no longer fits. Refuses (logging why) a negative count or start, a start at or past the end,
    // and a destination before index 0.
    bool shiftElements(int start, int count, int offset)
    {
        const char* refusal = count < 0 ? "count < 0"
            : start < 0                 ? "start < 0"
            : start >= m_count          ? "start >= self.count"
            : start + offset < 0        ? "start+offset <= 0"
                                        : nullptr;
        if (refusal) {
            if (log)
                log("Assertion at start=" + std::to_string(start) + " count=" + std::to_string(count)
                    + " offset=" + std::to_string(offset) + ": " + refusal);
            return false;
        }
        if (offset <= 0) {
            for (int i = 0; i < count; i++)
                slot(start + i + offset) = slot(start + i);
            return true;
        }
        int end = start + count + offset;
        int excess = end - maxLength();
        if (excess <= 0) {
            for (int i = count - 1; i >= 0; i--)
                slot(start + i + offset) = slot(start + i);
            m_count = std::max(m_count, end);
            return true;
        }
        // The run wraps into the slots of the oldest elements: set it aside, drop those, put it back.
        std::vector<std::optional<T>> run;
        for (int i = 0; i < count; i++)
            run.push_back(slot(start + i));
        advanceStart(excess);
        for (int i = 0; i < count; i++) {
            int index = start + i + offset - excess;
            if (index >= 0)
                slot(index) = std::move(run[size_t(i)]);
        }
        m_count = maxLength();
        return true;
    }

protected:
    // Called with every element as it is put into a slot (set, push, splice).
    virtual void attached(const T&) { }
    // Called after push().
    virtual void pushed(const T&) { }

    int slotNumber(int index) const
    {
        // Not named "slots": Qt makes that word a macro in the application's sources.
        int ringSize = maxLength();
        // Every row access comes through here: spare the divisions in the common case.
        int slot = m_startIndex + index;
        if (slot >= 0 && slot < ringSize)
            return slot;
        if (slot >= ringSize && slot < 2 * ringSize)
            return slot - ringSize;
        return (slot % ringSize + ringSize) % ringSize;
    }
    std::optional<T>& slot(int index) { return m_array[size_t(slotNumber(index))]; }
    // Out of line: every row access passes through operator[], which should stay small.
    [[gnu::noinline]] void fillEmpty(std::optional<T>& element, int index)
    {
        element = makeEmpty ? makeEmpty(slotNumber(index)) : T();
    }
    void advanceStart(int by) { m_startIndex = (m_startIndex + by) % maxLength(); }

    int m_count = 0;

private:
    std::vector<std::optional<T>> m_array;
    int m_startIndex = 0;
};

} // namespace zentrova

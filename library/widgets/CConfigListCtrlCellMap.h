#pragma once

#include "library/widgets/CCellCtrl.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The file list's cells by key, (row << 16) | column, in ascending key order (which is also
// the Tab order). A sorted vector: the list appends rows at its end and rebuilds whole lists
// at once, and a vector does both without a node per cell.
class CConfigListCtrlCellMap
{
public:
    using Key = CCellCtrl::Key;
    using Entry = std::pair<Key, std::unique_ptr<CCellCtrl>>;
    using iterator = std::vector<Entry>::iterator;
    using const_iterator = std::vector<Entry>::const_iterator;
    using reverse_iterator = std::vector<Entry>::reverse_iterator;

    iterator begin() { return m_entries.begin(); }
    iterator end() { return m_entries.end(); }
    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    reverse_iterator rbegin() { return m_entries.rbegin(); }
    reverse_iterator rend() { return m_entries.rend(); }
    bool empty() const { return m_entries.empty(); }
    std::size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

    iterator lower_bound(Key key)
    {
        return std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                [](const Entry &entry, Key k) { return entry.first < k; });
    }
    const_iterator lower_bound(Key key) const
    {
        return std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                [](const Entry &entry, Key k) { return entry.first < k; });
    }
    iterator find(Key key)
    {
        const iterator it = lower_bound(key);
        return it != m_entries.end() && it->first == key ? it : m_entries.end();
    }
    const_iterator find(Key key) const
    {
        const const_iterator it = lower_bound(key);
        return it != m_entries.end() && it->first == key ? it : m_entries.end();
    }
    // The slot of `key`, created empty when missing; appending a larger key is O(1).
    std::unique_ptr<CCellCtrl> &operator[](Key key)
    {
        if (m_entries.empty() || m_entries.back().first < key) {
            m_entries.emplace_back(key, nullptr);
            return m_entries.back().second;
        }
        iterator it = lower_bound(key);
        if (it == m_entries.end() || it->first != key)
            it = m_entries.emplace(it, key, nullptr);
        return it->second;
    }
    iterator erase(iterator it) { return m_entries.erase(it); }
    iterator erase(iterator first, iterator last) { return m_entries.erase(first, last); }

    // Gives every entry the key `rekey` returns for it (keys must stay unique), then restores
    // the order. Nothing is allocated.
    void Rekey(const std::function<Key(Key)> &rekey)
    {
        for (Entry &entry : m_entries)
            entry.first = rekey(entry.first);
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const Entry &a, const Entry &b) { return a.first < b.first; });
    }

private:
    std::vector<Entry> m_entries;
};

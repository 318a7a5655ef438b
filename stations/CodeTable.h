#pragma once

#include <array>
#include <string>
#include <vector>

namespace velorix {

// A 3-character code of the HFCC code files ("site.txt", "broadcas.txt").
// Missing characters of a short code are spaces.
using StationCode = std::array<char32_t, 3>;

struct SiteRecord {
    std::string name;    // up to 30 characters, UTF-8
    std::string fieldA;  // 5 characters, shown as text only
    std::string fieldB;  // 6 characters, shown as text only
};

struct BroadcasterRecord {
    std::string name;  // up to 30 characters, UTF-8
};

// Records appended in file order under their codes, looked up by binary
// search on the code, so the file must be sorted by code (character by
// character, which for the published files is byte order). Holds at most
// `capacity` records; further ones are dropped.
template <typename Record>
class CodeTable {
public:
    static constexpr int kCapacity = 1024;

    explicit CodeTable(int capacity = kCapacity) : m_capacity(capacity) {}

    // False when the table is full and the record was dropped.
    bool Add(const StationCode& code, Record record) {
        if (static_cast<int>(m_codes.size()) >= m_capacity) return false;
        m_codes.push_back(code);
        m_records.push_back(std::move(record));
        return true;
    }

    // Index of a record stored under `code`, or -1.
    int Find(const StationCode& code) const {
        int lo = 0;
        int hi = Count() - 1;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            if (m_codes[mid] < code)
                lo = mid + 1;
            else if (code < m_codes[mid])
                hi = mid - 1;
            else
                return mid;
        }
        return -1;
    }

    // The record at `index`, or null when there is none.
    const Record* At(int index) const {
        return index >= 0 && index < Count() ? &m_records[index] : nullptr;
    }

    int Count() const { return static_cast<int>(m_records.size()); }
    int Capacity() const { return m_capacity; }

private:
    int m_capacity;
    std::vector<StationCode> m_codes;
    std::vector<Record> m_records;
};

using SiteTable = CodeTable<SiteRecord>;
using BroadcasterTable = CodeTable<BroadcasterRecord>;

}  // namespace velorix

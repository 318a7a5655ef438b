#include "ScheduleList.h"

namespace velorix {

ScheduleList::ScheduleList(int capacity) : m_capacity(capacity) {
    m_entries.reserve(capacity > 0 ? capacity : 1);
    m_entries.push_back(FrequencyEntry{});
}

bool ScheduleList::OpenFrequency(int kHz) {
    if (kHz == m_entries.back().kHz) return true;
    if (static_cast<int>(m_entries.size()) + 1 > m_capacity) {
        ++m_dropped;
        return false;
    }
    m_entries.push_back(FrequencyEntry{kHz, nullptr});
    return true;
}

void ScheduleList::NoteDropped(const std::string& file) {
    const int dropped = m_dropped - m_droppedNoted;
    if (dropped <= 0) return;
    m_droppedNoted = m_dropped;
    m_notes.push_back(file + ": the list holds " + std::to_string(m_capacity - 1) +
                      " frequencies; " + std::to_string(dropped) +
                      " lines beyond them were dropped");
}

void ScheduleList::AddEntry(std::unique_ptr<ScheduleEntry> entry) {
    FrequencyEntry& current = m_entries.back();
    entry->m_next = current.first;
    current.first = entry.get();
    m_storage.push_back(std::move(entry));
}

const FrequencyEntry* ScheduleList::Find(int kHz) const {
    int lo = 1;
    int hi = Count();
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int f = m_entries[mid].kHz;
        if (f < kHz)
            lo = mid + 1;
        else if (f > kHz)
            hi = mid - 1;
        else
            return &m_entries[mid];
    }
    return nullptr;
}

std::vector<std::string> StationLines(const ScheduleList* list, int kHz, int nowHhmm,
                                      char weekday) {
    std::vector<std::string> lines;
    const FrequencyEntry* entry = list != nullptr ? list->Find(kHz) : nullptr;
    if (entry == nullptr) return lines;
    for (const ScheduleEntry* e = entry->first; e != nullptr; e = e->Next()) {
        if (e->IsOnAir(nowHhmm, weekday)) lines.push_back(e->FormatLine(*list));
    }
    return lines;
}

}  // namespace velorix

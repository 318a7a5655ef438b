#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CodeTable.h"
#include "ScheduleEntry.h"

namespace velorix {

// One frequency of a list and the chain of its schedule entries.
struct FrequencyEntry {
    int kHz = 0;
    const ScheduleEntry* first = nullptr;  // front of the chain (last line read)
};

// A station schedule list: frequency entries in file order with their chains
// of schedule entries. Entry 0 is a sentinel with frequency 0; the stored
// entries are 1 ... Count(), and a file must be sorted by ascending frequency
// for Find to work. Built once by a loader on one thread, then only read.
class ScheduleList {
public:
    static constexpr int kHfccCapacity = 4096;
    static constexpr int kEibiCapacity = 8192;

    explicit ScheduleList(int capacity);
    ScheduleList(const ScheduleList&) = delete;
    ScheduleList& operator=(const ScheduleList&) = delete;

    // Makes `kHz` the current frequency for the next AddEntry: opens a new
    // entry when it differs from the last opened one. False when that would
    // reach the capacity; the line is then dropped (and counted).
    bool OpenFrequency(int kHz);
    // Lines dropped because the list was full.
    int DroppedLines() const { return m_dropped; }
    // What loading met that the user should hear of: files that could not be
    // read as lists, lines dropped at the capacity. One text per problem.
    std::vector<std::string>& Notes() { return m_notes; }
    const std::vector<std::string>& Notes() const { return m_notes; }
    // Adds the note for lines dropped since the last call, naming `file`.
    void NoteDropped(const std::string& file);
    // Puts `entry` at the front of the current frequency's chain.
    void AddEntry(std::unique_ptr<ScheduleEntry> entry);

    // The stored entry with exactly `kHz` (binary search), or null.
    const FrequencyEntry* Find(int kHz) const;

    int Count() const { return static_cast<int>(m_entries.size()) - 1; }
    int Capacity() const { return m_capacity; }
    // Entry `index`, 0 (the sentinel) ... Count().
    const FrequencyEntry& Entry(int index) const { return m_entries.at(index); }
    // Number of schedule entries in all chains.
    int ScheduleCount() const { return static_cast<int>(m_storage.size()); }

    // Code tables for the HFCC list's site and broadcaster codes; empty in the
    // other lists.
    SiteTable& Sites() { return m_sites; }
    const SiteTable& Sites() const { return m_sites; }
    BroadcasterTable& Broadcasters() { return m_broadcasters; }
    const BroadcasterTable& Broadcasters() const { return m_broadcasters; }

private:
    int m_capacity;
    int m_dropped = 0;
    int m_droppedNoted = 0;
    std::vector<std::string> m_notes;
    std::vector<FrequencyEntry> m_entries;                  // [0] is the sentinel
    std::vector<std::unique_ptr<ScheduleEntry>> m_storage;  // owns every chain's entries
    SiteTable m_sites;
    BroadcasterTable m_broadcasters;
};

// The texts the station panel draws for `list` at `kHz`, top line first: the
// FormatLine of every entry of that frequency that is on the air at
// `nowHhmm` (UTC) on `weekday` ('1' Sunday ... '7' Saturday), in chain order.
// No list, or no entry for `kHz`, gives no lines.
std::vector<std::string> StationLines(const ScheduleList* list, int kHz, int nowHhmm, char weekday);

}  // namespace velorix

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ScheduleList.h"

namespace velorix {

// The three station lists, loaded once when the window (or the headless
// receiver) starts and kept until the program ends; editing a file needs a
// restart.
struct StationLists {
    std::unique_ptr<ScheduleList> hfcc;  // MemListIdx 0
    std::unique_ptr<ScheduleList> eibi;  // MemListIdx 1 (the default)
    std::unique_ptr<ScheduleList> user;  // MemListIdx 2

    // The list for a MemListIdx (0 HFCC, 1 EiBi, 2 user); null for any other.
    const ScheduleList* List(int memListIdx) const;
    // Every list's loading notes, HFCC first.
    std::vector<std::string> Notes() const;
};

// Loads each list from the first of `directories` that holds its file (the
// HFCC list's code tables come from the directory of "hfcc.txt"): missing
// files give empty lists, without a message; files that are no list, or are
// cut, give empty or shorter lists and a note.
StationLists LoadStationLists(const std::vector<std::string>& directories);

}  // namespace velorix

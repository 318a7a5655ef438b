#include "StationLists.h"

#include <filesystem>

#include "DataDirectories.h"
#include "EibiList.h"
#include "HfccList.h"

namespace velorix {

const ScheduleList* StationLists::List(int memListIdx) const {
    switch (memListIdx) {
        case 0:
            return hfcc.get();
        case 1:
            return eibi.get();
        case 2:
            return user.get();
        default:
            return nullptr;
    }
}

std::vector<std::string> StationLists::Notes() const {
    std::vector<std::string> notes;
    for (const ScheduleList* list : {hfcc.get(), eibi.get(), user.get()})
        if (list) notes.insert(notes.end(), list->Notes().begin(), list->Notes().end());
    return notes;
}

StationLists LoadStationLists(const std::vector<std::string>& directories) {
    // The directory holding `name`; the first one when none does (the list is then empty).
    auto holding = [&](const char* name) {
        const auto path = files::FindFile(directories, name);
        if (!path) return directories.empty() ? std::string(".") : directories.front();
        return std::filesystem::path(*path).parent_path().string();
    };
    StationLists lists;
    lists.hfcc = LoadHfccList(holding(kHfccFile));
    lists.eibi = LoadEibiList(holding(kEibiFile));
    lists.user = LoadUserList(holding(kUserListFile));
    return lists;
}

}  // namespace velorix

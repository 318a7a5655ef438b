#include "StationLists.h"

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

StationLists LoadStationLists(const std::string& directory) {
    StationLists lists;
    lists.hfcc = LoadHfccList(directory);
    lists.eibi = LoadEibiList(directory);
    lists.user = LoadUserList(directory);
    return lists;
}

}  // namespace velorix

#include "ControlTable.h"

#include <map>

#include "SettingsRecord.h"

namespace velorix {

namespace {

std::vector<ControlRow> BuildTable() {
#define VELORIX_COMMAND_ROW(name, id, kind, face, caption, x, y, group, key) \
    {ControlKind::kind, id, face, caption, x, y, ControlGroup::group, ControlKey::key, {}},
#define VELORIX_LABEL_ROW(kind, face, caption, x, y, group) \
    {ControlKind::kind, -1, face, caption, x, y, ControlGroup::group, ControlKey::None, {}},
    std::vector<ControlRow> table = {VELORIX_CONTROL_TABLE(VELORIX_COMMAND_ROW, VELORIX_LABEL_ROW)};
#undef VELORIX_COMMAND_ROW
#undef VELORIX_LABEL_ROW
    std::map<std::string, int> uses;
    for (ControlRow& c : table) {
        c.name = c.caption.empty() ? c.base : c.caption;
        ++uses[c.name];
    }
    for (ControlRow& c : table)
        if (uses[c.name] > 1 && c.id >= 0) c.name.append(" ").append(std::to_string(c.id));
    return table;
}

}  // namespace

const std::vector<ControlRow>& ControlTable() {
    static const std::vector<ControlRow> table = BuildTable();
    return table;
}

const ControlRow* FindControl(ControlId id) {
    for (const ControlRow& c : ControlTable())
        if (c.id == static_cast<int>(id)) return &c;
    return nullptr;
}

std::string ControlName(ControlId id) {
    const ControlRow* c = FindControl(id);
    if (c != nullptr) return c->name;
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on `"literal" + temporary`.
    return std::string("control ").append(std::to_string(static_cast<int>(id)));
}

const ControlRow* ControlForKey(ControlKey key) {
    if (key == ControlKey::None) return nullptr;
    for (const ControlRow& c : ControlTable())
        if (c.key == key) return &c;
    return nullptr;
}

const char* ModeName(int mode) {
    const ControlRow* c =
        mode >= 0 && mode < kModeCount ? FindControl(Offset(ControlId::Mode0, mode)) : nullptr;
    return c ? c->caption.c_str() : "?";
}

}  // namespace velorix

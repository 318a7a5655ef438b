#include "ProgramIcon.h"

// The resource lives in a static library, where nothing else would pull it
// in. Q_INIT_RESOURCE names a function at global scope, so this is there too.
static void LoadIconResource() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(ProgramIcon);
        return true;
    }();
    (void)loaded;
}

namespace velorix {

QIcon ProgramIcon() {
    LoadIconResource();
    return QIcon(QStringLiteral(":/velorix.svg"));
}

}  // namespace velorix

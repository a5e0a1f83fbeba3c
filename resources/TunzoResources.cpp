#include "TunzoResources.h"

#include <QtCore/qglobal.h>

void InitTunzoResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(tunzo);
        return true;
    }();
    (void)registered;
}
